#pragma once

#include <QString>

namespace tavrel::shell {

// A document type the application declares to the platform.
struct FileType {
    QString Name;
    QString Extensions;
    QString MacType;
    QString MacCreator;
};

// The two file types of the application. It opens and saves no documents; the types are
// declared for the platforms that keep such a registry.
struct FileTypes {
    FileType pText;
    FileType pUntitledType;

    // Builds both entries and registers each with the platform where it has a registry.
    void Initialize();
};

// The application's file types, for the whole run.
FileTypes& SharedFileTypes();

} // namespace tavrel::shell
