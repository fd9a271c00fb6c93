#pragma once

#include "project/studies_project.h"

#include <cstdio>
#include <string>

namespace tavrel::project {

// Reads the whole project from `file`; `name` names it in messages. Throws ProjectError,
// beginning with the name, for a file that cannot be read or is no project of this version.
StudiesProject LoadProject(std::FILE* file, const std::string& name);
StudiesProject LoadProject(const std::string& path);

// Writes the project to `path` as every output is written: under a temporary name beside it,
// put in place only once complete. `warnings` hears what of the old file could not be kept.
// Throws ProjectError (a text that is not UTF-8) or outputs::OutputError, leaving any old
// file as it was.
void SaveProject(const StudiesProject& project, const std::string& path, std::FILE* warnings);

} // namespace tavrel::project
