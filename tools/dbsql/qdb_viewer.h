// Table-file viewer: shows a table file's head, field descriptors and records without loading it into the
// store. The file is read whole and every offset and length is checked against it, so a damaged file is
// described, never trusted.
#pragma once

#include <ostream>
#include <string>

#include "output_format.h"

namespace dbsql {

// Writes the description to out. Returns an error text when the file cannot be read or has no usable head;
// damage found further on is reported in the description itself, as notes.
std::string ShowQdbFile(const std::string& path, bool networkOrder, OutputMode mode, std::ostream& out);

}  // namespace dbsql
