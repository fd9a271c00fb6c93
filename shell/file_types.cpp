#include "shell/file_types.h"

namespace tavrel::shell {

namespace {

// Only classic Mac OS kept a registry of type and creator codes; on the platforms Qt serves
// there is nothing to register, and the application opens no documents to need it.
void Register(const FileType& /*type*/) {}

} // namespace

void FileTypes::Initialize() {
    pText.Name = QStringLiteral("text");
    pText.Extensions = QString();
    pText.MacType = QStringLiteral("TEXT");
    pText.MacCreator = QStringLiteral("R*ch");
    Register(pText);

    pUntitledType = FileType{};
    Register(pUntitledType);
}

FileTypes& SharedFileTypes() {
    static FileTypes types;
    return types;
}

} // namespace tavrel::shell
