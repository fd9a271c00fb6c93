#include "project/project_file.h"

#include "outputs/output_error.h"
#include "outputs/output_file.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

namespace tavrel::project {

StudiesProject LoadProject(std::FILE* file, const std::string& name) {
    std::string text;
    std::array<char, 1 << 16> block{};
    for (std::size_t read; (read = std::fread(block.data(), 1, block.size(), file)) > 0;) {
        text.append(block.data(), read);
    }
    if (std::ferror(file) != 0) {
        throw ProjectError("cannot read " + name + ": " + std::strerror(errno));
    }
    try {
        return ReadProject(text);
    } catch (const ProjectError& e) {
        throw ProjectError(name + ": " + e.what());
    }
}

StudiesProject LoadProject(const std::string& path) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) {
        throw ProjectError("cannot read " + path + ": " + std::strerror(errno));
    }
    return LoadProject(file.get(), path);
}

void SaveProject(const StudiesProject& project, const std::string& path, std::FILE* warnings) {
    const std::string text = ProjectText(project); // refused before any file is touched
    outputs::OutputFile file(path, warnings);
    if (std::fwrite(text.data(), 1, text.size(), file.File()) != text.size()) {
        throw outputs::OutputError("cannot write " + path + ": " + std::strerror(errno));
    }
    file.Commit();
}

} // namespace tavrel::project
