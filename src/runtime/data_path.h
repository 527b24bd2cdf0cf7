// The data path: the directory under which every table file lives, set by the host before initialisation.
#pragma once

namespace dbs::runtime {

// The current data path, empty until the host sets one.
const char* DataPath();

}  // namespace dbs::runtime
