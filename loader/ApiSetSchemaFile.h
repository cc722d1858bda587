// The API set schema of a target: the .apiset section of its
// System32\apisetschema.dll.
#pragma once

#include <string>

#include "loader/ApiSetSchema.h"

namespace loader {

// The schema in the .apiset section of the module at `path`; an empty
// schema when the file, the section or the schema cannot be read.
ApiSetSchema ReadApiSetSchemaFile(const std::string& path);

}  // namespace loader
