#include "workbook/zip_xml.h"

#include "workbook/workbook.h"

#include <array>
#include <cstdint>
#include <expat.h>
#include <zip.h>

namespace tavrel::workbook {

namespace {

// No workbook a researcher keeps holds an XML part this large; past it the file is refused
// rather than let a crafted archive expand without bound.
constexpr std::uint64_t kLargestPart = std::uint64_t{1} << 30;

struct Parsing {
    const XmlHandlers* handlers;
};

void Start(void* data, const char* name, const char** attributes) {
    const auto* parsing = static_cast<Parsing*>(data);
    if (parsing->handlers->start) {
        parsing->handlers->start(XmlStart{name, attributes});
    }
}

void End(void* data, const char* name) {
    const auto* parsing = static_cast<Parsing*>(data);
    if (parsing->handlers->end) {
        parsing->handlers->end(name);
    }
}

void Text(void* data, const char* text, int length) {
    const auto* parsing = static_cast<Parsing*>(data);
    if (parsing->handlers->text) {
        parsing->handlers->text({text, static_cast<std::size_t>(length)});
    }
}

} // namespace

const char* XmlStart::Attribute(std::string_view attribute) const {
    for (const char** at = attributes; at != nullptr && *at != nullptr; at += 2) {
        if (attribute == at[0]) {
            return at[1];
        }
    }
    return nullptr;
}

ZipXml::ZipXml(const std::string& path) : path_(path) {
    int error = 0;
    archive_ = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive_ == nullptr) {
        zip_error_t why;
        zip_error_init_with_code(&why, error);
        const std::string message = zip_error_strerror(&why);
        zip_error_fini(&why);
        throw WorkbookError("cannot open it as a workbook: " + message);
    }
}

ZipXml::~ZipXml() {
    zip_discard(archive_);
}

bool ZipXml::Has(const std::string& entry) const {
    return zip_name_locate(archive_, entry.c_str(), 0) >= 0;
}

void ZipXml::Parse(const std::string& entry, const XmlHandlers& handlers) const {
    zip_file_t* file = zip_fopen(archive_, entry.c_str(), 0);
    if (file == nullptr) {
        throw WorkbookError("it has no " + entry + ": " + zip_strerror(archive_) +
                            " (damaged, or encrypted with a password?)");
    }
    const std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> closing(file, &zip_fclose);
    const std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate(nullptr),
                                                                         &XML_ParserFree);
    Parsing parsing{&handlers};
    XML_SetUserData(parser.get(), &parsing);
    XML_SetElementHandler(parser.get(), &Start, &End);
    XML_SetCharacterDataHandler(parser.get(), &Text);
    std::array<char, 1 << 16> buffer{};
    std::uint64_t total = 0;
    while (true) {
        const zip_int64_t read = zip_fread(file, buffer.data(), buffer.size());
        if (read < 0) {
            throw WorkbookError("cannot read its " + entry + ": " + zip_file_strerror(file));
        }
        total += static_cast<std::uint64_t>(read);
        if (total > kLargestPart) {
            throw WorkbookError("its " + entry + " is larger than 1 GiB");
        }
        if (XML_Parse(parser.get(), buffer.data(), static_cast<int>(read), read == 0) ==
            XML_STATUS_ERROR) {
            throw WorkbookError(
                "its " + entry + " is damaged: " + XML_ErrorString(XML_GetErrorCode(parser.get())) +
                " at line " + std::to_string(XML_GetCurrentLineNumber(parser.get())));
        }
        if (read == 0) {
            return;
        }
    }
}

} // namespace tavrel::workbook
