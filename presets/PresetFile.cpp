// SPDX-License-Identifier: MIT
#include "presets/PresetFile.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlreader.h>
#include <libxml/xmlwriter.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "presets/NelvoPresetManager.h"
#include "presets/PresetParams.h"
#include "settings/FilterParameters.h"
#include "settings/ParameterTable.h"
#include "util/CLocaleNumbers.h"
#include "util/FileAccess.h"
#include "util/FileDescriptor.h"
#include "util/NelvoWinException.h"
#include "util/TextConversion.h"

namespace nelvo {

namespace {

using util::NelvoWinException;

// Status of a reader that meets the end of the document where it expects another node.
constexpr std::uint32_t endOfInput = 1;
// Status of a document the XML parser finds malformed, or that holds a construct the
// reader refuses (a document type declaration).
constexpr std::uint32_t malformedDocument = EBADMSG;

// The step shared by reading and writing: any status but 0 becomes an exception.
void throwIfFailed(std::uint32_t status) {
    if (status != 0) throw NelvoWinException("NelvoWinException", status);
}

std::uint32_t lastError() {
    return static_cast<std::uint32_t>(errno);
}

[[noreturn]] void throwFormatError() {
    throw NelvoPresetManager::FileFormatException();
}

void expect(bool condition) {
    if (!condition) throwFormatError();
}

const xmlChar* xml(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}

void initXml() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

void ignoreXmlError(void*, const char*, ...) {}
void ignoreStructuredXmlError(void*, xmlErrorPtr) {}

// libxml2 prints its errors on stderr unless told otherwise. The handlers are per thread:
// silence them for one read or write and give the caller's back afterwards.
class QuietXmlErrors {
  public:
    QuietXmlErrors()
        : genericContext_(xmlGenericErrorContext),
          generic_(xmlGenericError),
          structuredContext_(xmlStructuredErrorContext),
          structured_(xmlStructuredError) {
        xmlSetGenericErrorFunc(nullptr, ignoreXmlError);
        xmlSetStructuredErrorFunc(nullptr, ignoreStructuredXmlError);
    }
    ~QuietXmlErrors() {
        xmlSetGenericErrorFunc(genericContext_, generic_);
        xmlSetStructuredErrorFunc(structuredContext_, structured_);
    }
    QuietXmlErrors(const QuietXmlErrors&) = delete;
    QuietXmlErrors& operator=(const QuietXmlErrors&) = delete;

  private:
    void* genericContext_;
    xmlGenericErrorFunc generic_;
    void* structuredContext_;
    xmlStructuredErrorFunc structured_;
};

struct WriterDeleter {
    void operator()(xmlTextWriterPtr writer) const { xmlFreeTextWriter(writer); }
};
struct ReaderDeleter {
    void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
};

// ---------------------------------------------------------------------------------------
// Writing

// Where the XML writer's output goes, and the errno of the first write that failed.
struct OutputSink {
    int fd = -1;
    int error = 0;
};

int writeToSink(void* context, const char* buffer, int length) {
    auto* sink = static_cast<OutputSink*>(context);
    const auto total = static_cast<std::size_t>(length);
    std::size_t done = 0;
    while (done < total) {
        // At most `length`, an int: the count fits the narrower type Windows takes.
        const ssize_t n = ::write(sink->fd, buffer + done, static_cast<unsigned int>(total - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            sink->error = errno;
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    return length;
}

// The descriptor belongs to writePresetFile, which closes it itself to see the result.
int keepSinkOpen(void*) {
    return 0;
}

std::string formatInteger(std::int32_t value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// byte ÷ 255 in single precision with six decimals, as "%f" prints it but independent of
// the locale's decimal point (a host may have switched LC_NUMERIC to a comma).
std::string formatColourComponent(std::uint32_t byte) {
    const float fraction = static_cast<float>(byte) / 255.0f;
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(fraction),
                                      std::chars_format::fixed, 6);
    return std::string(buffer, result.ptr);
}

// The preset record seen as the parameter record, so that the parameter table's
// rows say which key holds which value. Fields a preset does not carry keep
// their defaults.
FilterParameters asParameters(const PresetSettings& settings) {
    FilterParameters p{};
    setDefaults(p);
    EngineSettings& e = p.engine;
    e.darkDefects = settings.darkDefects;
    e.brightDefects = settings.brightDefects;
    e.detectionIntensity = settings.detectionIntensity;
    e.tileSize = settings.tileSize;
    for (unsigned i = 0; i < 4; ++i)
        e.defectColor[i] = static_cast<std::int32_t>((settings.defectColor >> (8 * i)) & 0xFFu);
    e.brushIntensity = settings.brushIntensity;
    e.brushSize = settings.brushSize;
    e.eraserSize = settings.eraserSize;
    e.adaptiveRecognition = settings.adaptiveRecognition;
    return p;
}

PresetSettings asPreset(const FilterParameters& p) {
    const EngineSettings& e = p.engine;
    std::uint32_t colour = 0;
    for (unsigned i = 0; i < 4; ++i)
        colour |= (static_cast<std::uint32_t>(e.defectColor[i]) & 0xFFu) << (8 * i);
    return PresetSettings{e.brightDefects, e.darkDefects, e.detectionIntensity,
                          e.tileSize,      colour,        e.brushIntensity,
                          e.brushSize,     e.eraserSize,  e.adaptiveRecognition};
}

// The rows a preset file holds, in the ascending order of their keys.
std::vector<const Parameter*> rowsInKeyOrder() {
    std::vector<const Parameter*> rows;
    for (const Parameter& row : parameterTable()) {
        if (row.presetUse != PresetUse::None) rows.push_back(&row);
    }
    std::ranges::sort(rows, {}, &Parameter::presetKey);
    return rows;
}

void writeDocument(xmlTextWriterPtr writer, const OutputSink& sink,
                   const PresetSettings& settings) {
    const auto check = [&sink](int result) {
        if (result < 0)
            throwIfFailed(sink.error != 0 ? static_cast<std::uint32_t>(sink.error)
                                          : static_cast<std::uint32_t>(EIO));
    };
    const auto element = [&](const char* name, const std::string& text) {
        check(xmlTextWriterWriteElement(writer, xml(name), xml(text.c_str())));
    };
    const auto key = [&](const char* name) { element("key", name); };
    const auto boolean = [&](bool value) {
        check(xmlTextWriterStartElement(writer, xml(value ? "true" : "false")));
        check(xmlTextWriterEndElement(writer));
    };
    const auto integer = [&](std::int32_t value) { element("integer", formatInteger(value)); };

    check(xmlTextWriterStartDocument(writer, nullptr, "UTF-8", nullptr));
    check(xmlTextWriterStartElement(writer, xml("plist")));
    check(xmlTextWriterWriteAttribute(writer, xml("version"), xml("1.0")));
    check(xmlTextWriterStartElement(writer, xml("dict")));

    const FilterParameters parameters = asParameters(settings);
    for (const Parameter* row : rowsInKeyOrder()) {
        key(std::string(row->presetKey).c_str());
        switch (row->kind) {
            case ParameterKind::Boolean:
                boolean(row->presetUse == PresetUse::WrittenAsDefault
                            ? std::get<bool>(row->defaultValue)
                            : *row->flag(parameters));
                break;
            case ParameterKind::Integer:
                integer(*row->integers(parameters));
                break;
            case ParameterKind::Integers4: {
                // A colour: four components, each its byte ÷ 255.
                check(xmlTextWriterStartElement(writer, xml("array")));
                const std::int32_t* bytes = row->integers(parameters);
                for (int i = 0; i < 4; ++i) {
                    element("real", formatColourComponent(static_cast<std::uint32_t>(bytes[i])));
                }
                check(xmlTextWriterFullEndElement(writer));
                break;
            }
            case ParameterKind::Percent:
                throw std::logic_error("preset files hold no percentages");
        }
    }

    check(xmlTextWriterFullEndElement(writer));  // dict
    check(xmlTextWriterFullEndElement(writer));  // plist
    check(xmlTextWriterEndDocument(writer));
    check(xmlTextWriterFlush(writer));
}

// ---------------------------------------------------------------------------------------
// Reading

std::string readWholeFile(const std::filesystem::path& path) {
    // Non-blocking, so that a FIFO met here cannot hang the caller before it is refused.
    FileDescriptor file(util::openForReading(path));
    if (file.get() < 0) throw NelvoWinException("Failed to open preset file for read", lastError());
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        throw NelvoWinException("Failed to open preset file for read", lastError());
    }
    if (S_ISDIR(info.st_mode))
        throw NelvoWinException("Failed to open preset file for read", EISDIR);
    if (!S_ISREG(info.st_mode))
        throw NelvoWinException("Failed to open preset file for read", EINVAL);

    std::string data;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            throwIfFailed(lastError());
        }
        if (n == 0) break;
        const auto count = static_cast<std::size_t>(n);
        if (data.size() + count > maxPresetFileBytes) throwIfFailed(EFBIG);
        data.append(buffer, count);
    }
    return data;
}

// As std::stoi(text, nullptr, 10): leading white space and a sign allowed, trailing
// characters ignored. In the "C" locale whatever the process has set.
int toInt(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = util::parseLongC(begin, &end);
    if (end == begin) throw std::invalid_argument("invalid stoi argument");
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX) {
        throw std::out_of_range("stoi argument out of range");
    }
    return static_cast<int>(value);
}

// As std::stof(text), in the "C" locale.
float toFloat(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const float value = util::parseFloatC(begin, &end);
    if (end == begin) throw std::invalid_argument("invalid stof argument");
    if (errno == ERANGE) throw std::out_of_range("stof argument out of range");
    return value;
}

using Dictionary = std::map<std::wstring, std::unique_ptr<IPresetParam>>;

// Walks the reader through the document and builds the dictionary of its key/value
// pairs. Any node other than the one expected is a format error.
class PresetParser {
  public:
    explicit PresetParser(xmlTextReaderPtr reader) : reader_(reader) {}

    Dictionary parse() {
        readDeclaration();
        nextNode();
        expect(isStart("plist"));
        nextNode();
        expect(isStart("dict"));

        Dictionary dictionary;
        for (;;) {
            nextNode();
            if (isEnd()) break;  // an end tag of any name ends the dictionary
            expect(isStart("key"));
            nextNode();
            expect(type() == XML_READER_TYPE_TEXT);
            const std::optional<std::wstring> key = decodeUtf8(value());
            expect(key.has_value());
            expectEnd("key");
            std::unique_ptr<IPresetParam> item = readValue(0);
            expect(item != nullptr);
            dictionary.try_emplace(*key, std::move(item));  // a repeated key keeps its first value
        }
        expect(name() == "dict");
        expectEnd("plist");
        return dictionary;
    }

  private:
    int type() const { return xmlTextReaderNodeType(reader_); }

    std::string_view name() const {
        const xmlChar* n = xmlTextReaderConstLocalName(reader_);
        return n != nullptr ? reinterpret_cast<const char*>(n) : std::string_view();
    }

    std::string value() const {
        const xmlChar* v = xmlTextReaderConstValue(reader_);
        return v != nullptr ? reinterpret_cast<const char*>(v) : std::string();
    }

    bool isStart(std::string_view element) const {
        return type() == XML_READER_TYPE_ELEMENT && name() == element;
    }
    bool isEnd() const { return type() == XML_READER_TYPE_END_ELEMENT; }

    void expectEnd(std::string_view element) {
        nextNode();
        expect(isEnd() && name() == element);
    }

    // The next node, whitespace-only text skipped.
    void nextNode() {
        if (pending_) {
            pending_ = false;
            return;
        }
        for (;;) {
            const int result = xmlTextReaderRead(reader_);
            if (result == 0) throwIfFailed(endOfInput);
            if (result < 0) throwIfFailed(malformedDocument);
            const int t = type();
            if (t == XML_READER_TYPE_WHITESPACE || t == XML_READER_TYPE_SIGNIFICANT_WHITESPACE) {
                continue;
            }
            // The parser has no option that refuses a document type declaration; it is
            // refused here, as a malformed document, the moment it is met.
            if (t == XML_READER_TYPE_DOCUMENT_TYPE) throwIfFailed(malformedDocument);
            return;
        }
    }

    // The document must open with an XML declaration. libxml2 does not report it as a
    // node; after the first node is read, the document's standalone value tells: -1 when
    // there was no declaration, -2 for one without a standalone attribute, 0 or 1 with it.
    // The first node is kept for the next nextNode().
    void readDeclaration() {
        nextNode();
        expect(xmlTextReaderStandalone(reader_) != -1);
        pending_ = true;
    }

    std::string readNumberText() {
        nextNode();
        expect(type() == XML_READER_TYPE_TEXT);
        return value();
    }

    // One value, or null when an end tag stands where the value would be.
    std::unique_ptr<IPresetParam> readValue(int depth) {
        nextNode();
        if (isEnd()) return nullptr;
        expect(type() == XML_READER_TYPE_ELEMENT);
        const std::string_view element = name();
        if (element == "true" || element == "false") {
            expect(xmlTextReaderIsEmptyElement(reader_) == 1);  // <true></true> is refused
            return std::make_unique<SimplePresetParam<bool>>(element == "true");
        }
        if (element == "integer") {
            const int number = toInt(readNumberText());
            expectEnd("integer");
            return std::make_unique<SimplePresetParam<int>>(number);
        }
        if (element == "real") {
            const float number = toFloat(readNumberText());
            expectEnd("real");
            return std::make_unique<SimplePresetParam<float>>(number);
        }
        if (element == "array") {
            // An array ends at an end tag, and <array/> has none: like <dict/>, refused.
            expect(xmlTextReaderIsEmptyElement(reader_) == 0);
            expect(depth < maxPresetArrayDepth);
            auto array = std::make_unique<ArrayPresetParam>();
            while (std::unique_ptr<IPresetParam> item = readValue(depth + 1)) {
                array->items.push_back(std::move(item));
            }
            return array;
        }
        throwFormatError();
    }

    xmlTextReaderPtr reader_;
    bool pending_ = false;
};

template <typename T>
const T& valueOf(const IPresetParam& param) {
    return static_cast<const SimplePresetParam<T>&>(param).value;
}

const IPresetParam* find(const Dictionary& dictionary, std::string_view key) {
    const std::optional<std::wstring> wide = decodeUtf8(std::string(key));
    if (!wide) return nullptr;
    const auto it = dictionary.find(*wide);
    return it != dictionary.end() ? it->second.get() : nullptr;
}

// Byte = component × 255 + 0.5, truncated, in single precision.
std::int32_t colourByte(const IPresetParam& item) {
    expect(item.type() == PresetParamType::Float);
    const float component = valueOf<float>(item);
    expect(component >= 0.0f && component <= 1.0f);  // NaN fails too
    return static_cast<std::int32_t>(component * 255.0f + 0.5f);
}

// Each stored row whose key is present, checked for its kind. The caller's record
// changes only when every value is acceptable.
void transfer(const Dictionary& dictionary, PresetSettings& settings) {
    FilterParameters p = asParameters(settings);
    for (const Parameter& row : parameterTable()) {
        if (row.presetUse != PresetUse::Stored) continue;
        const IPresetParam* param = find(dictionary, row.presetKey);
        if (param == nullptr) continue;
        switch (row.kind) {
            case ParameterKind::Boolean:
                expect(param->type() == PresetParamType::Bool);
                *row.flag(p) = valueOf<bool>(*param);
                break;
            case ParameterKind::Integer:
                expect(param->type() == PresetParamType::Int);
                *row.integers(p) = valueOf<int>(*param);
                break;
            case ParameterKind::Integers4: {
                expect(param->type() == PresetParamType::Array);
                const auto& items = static_cast<const ArrayPresetParam&>(*param).items;
                expect(items.size() == 4);
                std::int32_t bytes[4];
                for (std::size_t i = 0; i < 4; ++i) bytes[i] = colourByte(*items[i]);
                std::copy(bytes, bytes + 4, row.integers(p));
                break;
            }
            case ParameterKind::Percent:
                throwFormatError();
        }
    }
    settings = asPreset(p);
}

}  // namespace

void writePresetFile(const std::filesystem::path& path, const PresetSettings& settings) {
    initXml();
    QuietXmlErrors quiet;

    // Declared in this order so that the writer, which may still flush, goes first.
    OutputSink sink;
    FileDescriptor file;
    std::unique_ptr<xmlTextWriter, WriterDeleter> writer;

    // The writer is made before the file is touched: if it cannot be made, an existing
    // file is left as it was.
    xmlOutputBufferPtr output = xmlOutputBufferCreateIO(writeToSink, keepSinkOpen, &sink, nullptr);
    if (output == nullptr) throw NelvoWinException("Failed to create XML writer", ENOMEM);
    writer.reset(xmlNewTextWriter(output));
    if (writer == nullptr) {
        xmlOutputBufferClose(output);
        throw NelvoWinException("Failed to create XML writer", ENOMEM);
    }

    file.reset(util::openForWriting(path));
    if (file.get() < 0)
        throw NelvoWinException("Failed to open preset file for write", lastError());
    sink.fd = file.get();

    xmlTextWriterSetIndent(writer.get(), 1);
    xmlTextWriterSetIndentString(writer.get(), xml("  "));

    try {
        writeDocument(writer.get(), sink, settings);
        writer.reset();
        if (::close(file.release()) != 0) throwIfFailed(lastError());
    } catch (const NelvoWinException& e) {
        throw NelvoWinException("Failed to write preset file", e.code);
    }
}

void readPresetFile(const std::filesystem::path& path, PresetSettings& settings) {
    initXml();
    QuietXmlErrors quiet;

    const std::string document = readWholeFile(path);
    // No option that loads a DTD, substitutes entities or lifts the parser's limits, and
    // no network access.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    std::unique_ptr<xmlTextReader, ReaderDeleter> reader(xmlReaderForMemory(
        document.data(), static_cast<int>(document.size()), nullptr, nullptr, options));
    if (reader == nullptr) throw NelvoWinException("Failed to create XML reader", ENOMEM);

    const Dictionary dictionary = PresetParser(reader.get()).parse();
    transfer(dictionary, settings);
}

}  // namespace nelvo
