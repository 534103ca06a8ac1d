#pragma once
// Connects the application delegate to the dictionary registry and the
// dictionary converters: the dictionaries' folders and settings, saving at
// quit, the changed-words mail, and the Lewis and Short rebuild. Main thread,
// once, before launch.
void installDictionaryRegistry();
