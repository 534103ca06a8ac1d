#pragma once
// Hands the dictionaries what they read of the application: the folders and
// selections of Preferences, the resources and strings of TSBundle. Called
// once at start-up, before the first dictionary is asked for.

void installDictionaryServices();
