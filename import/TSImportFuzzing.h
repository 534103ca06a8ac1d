#pragma once
// One pass of every import reader over untrusted bytes, shared by the fuzz
// target and the test that replays its corpus: the header survey, the body
// survey and a conversion under settings that use every role. Answers false
// when a reader broke its contract (a result and an error at once, or a
// failed read that still produced books).

#include <QByteArray>

namespace TSImportFuzzing {
bool readAll(const QByteArray& bytes);
}
