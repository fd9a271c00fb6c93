#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct zip;

namespace tavrel::workbook {

// An XML element's start: its name (with its prefix, "table:table-cell") and attributes.
struct XmlStart {
    std::string_view name;
    const char** attributes; // name, value, name, value, ..., null
    // The value of the attribute `attribute`, or null.
    const char* Attribute(std::string_view attribute) const;
};

// The handlers of a streamed XML document; each may be empty.
struct XmlHandlers {
    std::function<void(const XmlStart&)> start;
    std::function<void(std::string_view name)> end;
    std::function<void(std::string_view text)> text;
};

// A ZIP archive (a workbook), its XML entries streamed through expat without holding them
// whole. Throws WorkbookError.
class ZipXml {
  public:
    explicit ZipXml(const std::string& path);
    ~ZipXml();
    ZipXml(const ZipXml&) = delete;
    ZipXml& operator=(const ZipXml&) = delete;

    bool Has(const std::string& entry) const;
    void Parse(const std::string& entry, const XmlHandlers& handlers) const;

  private:
    zip* archive_;
    std::string path_;
};

} // namespace tavrel::workbook
