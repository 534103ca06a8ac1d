#pragma once
// Where the data files that ship with the application live.
//
// The folder is the first that exists of:
//   1. the folder named by the environment variable TS_RESOURCES_DIR;
//   2. ../share/tessarin next to the running executable (an installed build);
//   3. the resources folder of the source tree this library was built from
//      (a developer build run from its build folder).
// The answer is worked out once per process; an empty string means none of
// them exists.

#include <QString>

namespace MorphologyResources {

QString directory();
// The path of a subfolder or file inside the resources folder (empty when
// there is no resources folder).
QString path(const QString& relative);

}  // namespace MorphologyResources
