// SPDX-License-Identifier: MIT
#include "presets/PresetFile.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/xmlmemory.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "presets/NelvoPresetManager.h"
#include "tests/presets/TempFolder.h"
#include "util/NelvoWinException.h"

namespace nelvo {
namespace {

using test::TempFolder;

// The dialog's default controls: colour word 0x000000FF is pure red.
constexpr PresetSettings defaults{false, true, 8, 8, 0x000000FFu, 10, 20, 10, false};
// Values no test document holds, so that every field a read leaves alone is seen.
constexpr PresetSettings sentinel{true, false, -101, -102, 0x12345678u, -103, -104, -105, true};

const std::filesystem::path dataFolder = NELVO_PRESET_TEST_DATA;

std::string document(const std::string& dictBody) {
    return R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" + dictBody +
           "</dict></plist>";
}

std::string colour(const std::string& items) {
    return "<key>defectColor</key><array>" + items + "</array>";
}

std::string nestedArrays(int depth) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<array>";
        close += "</array>";
    }
    return "<key>unknown</key>" + open + "<integer>1</integer>" + close;
}

template <typename F>
void expectSystemError(F&& action, const char* what, std::uint32_t code) {
    try {
        action();
        ADD_FAILURE() << "no util::NelvoWinException";
    } catch (const util::NelvoWinException& e) {
        EXPECT_STREQ(e.what(), what);
        EXPECT_EQ(e.code, code) << e.what();
    }
}

class PresetFileTest : public ::testing::Test {
  protected:
    PresetSettings readDocument(const std::string& text) {
        PresetSettings settings = sentinel;
        readPresetFile(folder.write("case.nelvo", text), settings);
        return settings;
    }

    PresetSettings roundTrip(const PresetSettings& written) {
        const auto file = folder.path() / "roundtrip.nelvo";
        writePresetFile(file, written);
        PresetSettings read = sentinel;
        readPresetFile(file, read);
        return read;
    }

    TempFolder folder;
};

TEST_F(PresetFileTest, WritesTheDefaultsAsTheReferenceDocument) {
    const auto file = folder.path() / "default.nelvo";
    writePresetFile(file, defaults);
    EXPECT_EQ(test::readFile(file), test::readFile(dataFolder / "default.nelvo"));
}

TEST_F(PresetFileTest, ReadsTheReferenceDocumentIntoEveryField) {
    PresetSettings settings = sentinel;
    readPresetFile(dataFolder / "default.nelvo", settings);
    EXPECT_EQ(settings, defaults);
}

TEST_F(PresetFileTest, WritingReplacesAnExistingFile) {
    const auto file = folder.write("old.nelvo", std::string(5000, 'x'));
    writePresetFile(file, defaults);
    EXPECT_EQ(test::readFile(file), test::readFile(dataFolder / "default.nelvo"));
}

TEST_F(PresetFileTest, RoundTripKeepsEveryValue) {
    const std::vector<PresetSettings> records = {
        defaults,
        {true, false, 1, 50, 0x00FFFFFFu, -10, 1, 100, true},
        {true, true, INT32_MIN, INT32_MAX, 0xFFFFFFFFu, -1, 0, 2147483647, false},
        {false, false, 0, -5, 0x00000000u, 0, -2147483647, 7, true},
    };
    for (const PresetSettings& record : records) {
        SCOPED_TRACE(record.detectionIntensity);
        EXPECT_EQ(roundTrip(record), record);
    }
}

TEST_F(PresetFileTest, RoundTripKeepsEveryColourByte) {
    // Each byte value 0...255 once, in every byte position in turn.
    for (std::uint32_t value = 0; value < 256; value += 4) {
        for (std::uint32_t rotation = 0; rotation < 32; rotation += 8) {
            const std::uint32_t word =
                value | (value + 1) << 8 | (value + 2) << 16 | (value + 3) << 24;
            const std::uint32_t rotated =
                rotation == 0 ? word : word << rotation | word >> (32 - rotation);
            PresetSettings written = defaults;
            written.defectColor = rotated;
            ASSERT_EQ(roundTrip(written).defectColor, rotated) << std::hex << rotated;
        }
    }
}

TEST_F(PresetFileTest, LoadsWhatIsPresentAndLeavesTheRest) {
    struct Case {
        const char* label;
        std::string text;
        std::function<void(PresetSettings&)> change;  // applied to the sentinel
    };
    const std::vector<Case> cases = {
        {"empty dict with an end tag", document(""), [](PresetSettings&) {}},
        {"one key", document("<key>tileSize</key><integer>30</integer>"),
         [](PresetSettings& s) { s.tileSize = 30; }},
        {"keys in reverse order",
         document("<key>tileSize</key><integer>1</integer>"
                  "<key>eraserSize</key><integer>2</integer>"
                  "<key>detectionIntensity</key><integer>3</integer>" +
                  colour("<real>0</real><real>1</real><real>0</real><real>0</real>") +
                  "<key>darkDefects</key><false/>"
                  "<key>brushSize</key><integer>4</integer>"
                  "<key>brushIntensity</key><integer>-5</integer>"
                  "<key>brightDefects</key><true/>"
                  "<key>adaptiveRecognition</key><false/>"),
         [](PresetSettings& s) { s = {true, false, 3, 1, 0x0000FF00u, -5, 4, 2, false}; }},
        {"a repeated key keeps its first value",
         document("<key>brushSize</key><integer>3</integer>"
                  "<key>brushSize</key><integer>4</integer>"
                  "<key>brushSize</key><real>0.5</real>"),
         [](PresetSettings& s) { s.brushSize = 3; }},
        {"trailing characters after the digits",
         document("<key>brushSize</key><integer>12abc</integer>"),
         [](PresetSettings& s) { s.brushSize = 12; }},
        {"leading white space and signs",
         document("<key>brushSize</key><integer>  -7</integer>"
                  "<key>eraserSize</key><integer>+5</integer>"
                  "<key>tileSize</key><integer>\n\t9 </integer>"),
         [](PresetSettings& s) {
             s.brushSize = -7;
             s.eraserSize = 5;
             s.tileSize = 9;
         }},
        {"the limits of the integer range",
         document("<key>brushSize</key><integer>2147483647</integer>"
                  "<key>eraserSize</key><integer>-2147483648</integer>"),
         [](PresetSettings& s) {
             s.brushSize = INT32_MAX;
             s.eraserSize = INT32_MIN;
         }},
        {"values outside the settings' ranges are handed on",
         document("<key>tileSize</key><integer>500</integer>"
                  "<key>brushIntensity</key><integer>-99</integer>"),
         [](PresetSettings& s) {
             s.tileSize = 500;
             s.brushIntensity = -99;
         }},
        {"colour components are rounded to the nearest byte, first component lowest",
         document(colour("<real>0.998</real><real>0.5</real><real>1</real><real>0.001</real>")),
         [](PresetSettings& s) { s.defectColor = 254u | 128u << 8 | 255u << 16 | 0u << 24; }},
        {"unknown keys with any value, nested arrays included",
         document("<key>zoom</key><real>3.5</real>"
                  "<key>nested</key><array><array><true/></array><array></array>"
                  "<integer>1</integer></array>"
                  "<key>darkDefects</key><false/>"),
         [](PresetSettings& s) { s.darkDefects = false; }},
        {"arrays nested as deep as allowed", document(nestedArrays(maxPresetArrayDepth)),
         [](PresetSettings&) {}},
        {"character references in a key", document("<key>tile&#83;ize</key><integer>6</integer>"),
         [](PresetSettings& s) { s.tileSize = 6; }},
        {"a standalone declaration and a byte-order mark",
         "\xEF\xBB\xBF<?xml version=\"1.0\" standalone=\"yes\"?>"
         "<plist><dict><key>tileSize</key><integer>2</integer></dict></plist>",
         [](PresetSettings& s) { s.tileSize = 2; }},
        {"nothing after the end of plist is read",
         document("<key>tileSize</key><integer>4</integer>") + "<!-- note --><?pi x?>",
         [](PresetSettings& s) { s.tileSize = 4; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        PresetSettings expected = sentinel;
        c.change(expected);
        EXPECT_EQ(readDocument(c.text), expected);
    }
}

TEST_F(PresetFileTest, RejectsDocumentsThatAreNoPreset) {
    const std::string declaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"no XML declaration", "<plist version=\"1.0\"><dict></dict></plist>"},
        {"comment before plist", declaration + "<!-- c --><plist><dict></dict></plist>"},
        {"comment in the dict", document("<!-- c --><key>tileSize</key><integer>1</integer>")},
        {"comment in an array", document(colour("<!-- c -->"))},
        {"processing instruction before plist", declaration + "<?pi x?><plist><dict/></plist>"},
        {"processing instruction in the dict", document("<?pi x?>")},
        {"empty-element dict", declaration + "<plist version=\"1.0\"><dict/></plist>"},
        {"root other than plist", declaration + "<list><dict></dict></list>"},
        {"plist without dict", declaration + "<plist><array></array></plist>"},
        {"a second dict", declaration + "<plist><dict></dict><dict></dict></plist>"},
        {"text in the dict", document("tileSize")},
        {"value without key", document("<integer>1</integer>")},
        {"key without value", document("<key>tileSize</key>")},
        {"empty-element key", document("<key/><integer>1</integer>")},
        {"key holding an element", document("<key>a<b/></key><integer>1</integer>")},
        {"key as CDATA", document("<key><![CDATA[tileSize]]></key><integer>1</integer>")},
        {"real where an integer is expected", document("<key>brushSize</key><real>3.0</real>")},
        {"integer where a boolean is expected",
         document("<key>darkDefects</key><integer>1</integer>")},
        {"array where adaptiveRecognition's boolean is expected",
         document("<key>adaptiveRecognition</key><array><real>2</real></array>")},
        {"empty-element array", document("<key>other</key><array/>")},
        {"empty-element array in an array", document("<key>other</key><array><array/></array>")},
        {"array where an integer is expected", document("<key>tileSize</key><array></array>")},
        {"boolean with an end tag", document("<key>darkDefects</key><true></true>")},
        {"integer without text", document("<key>tileSize</key><integer></integer>")},
        {"integer with an element after its text",
         document("<key>tileSize</key><integer>1<b/></integer>")},
        {"unknown value element", document("<key>name</key><string>x</string>")},
        {"colour as a real", document("<key>defectColor</key><real>1</real>")},
        {"colour with three items", document(colour("<real>0</real><real>0</real><real>0</real>"))},
        {"colour with five items",
         document(
             colour("<real>0</real><real>0</real><real>0</real><real>0</real><real>0</real>"))},
        {"colour with an integer item",
         document(colour("<real>0</real><integer>1</integer><real>0</real><real>0</real>"))},
        {"colour item above 1",
         document(colour("<real>1.5</real><real>0</real><real>0</real><real>0</real>"))},
        {"colour item below 0",
         document(colour("<real>0</real><real>-0.1</real><real>0</real><real>0</real>"))},
        {"colour item not a number",
         document(colour("<real>0</real><real>0</real><real>nan</real><real>0</real>"))},
        {"arrays nested too deep", document(nestedArrays(maxPresetArrayDepth + 1))},
    };
    for (const auto& [label, text] : cases) {
        SCOPED_TRACE(label);
        EXPECT_THROW(readDocument(text), NelvoPresetManager::FileFormatException);
    }
}

TEST_F(PresetFileTest, FormatErrorSaysInvalidPresetFileFormat) {
    try {
        readDocument("<plist><dict></dict></plist>");
        FAIL() << "no exception";
    } catch (const NelvoPresetManager::FileFormatException& e) {
        EXPECT_STREQ(e.what(), "Invalid preset file format");
    }
}

TEST_F(PresetFileTest, RejectsMalformedOrRefusedXmlAsReaderErrors) {
    const std::string declaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";
    struct Case {
        const char* label;
        std::string text;
        std::uint32_t code;
    };
    const std::vector<Case> cases = {
        {"document type declaration", declaration + "<!DOCTYPE plist><plist><dict></dict></plist>",
         EBADMSG},
        {"document type declaration without XML declaration",
         "<!DOCTYPE plist [<!ENTITY e \"x\">]><plist><dict></dict></plist>", EBADMSG},
        {"end of input where dict is expected", declaration + "<plist version=\"1.0\"/>", 1},
        {"truncated document", declaration + "<plist><dict><key>tileSize</key>", EBADMSG},
        {"mismatched tags", declaration + "<plist><dict></plist>", EBADMSG},
        {"undeclared entity", document("<key>a&foo;</key><true/>"), EBADMSG},
        {"empty file", "", EBADMSG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        expectSystemError([&] { readDocument(c.text); }, "NelvoWinException", c.code);
    }
}

TEST_F(PresetFileTest, NumbersThatDoNotConvertRaiseConversionErrors) {
    const auto expectError = [this](const std::string& body, const char* what, bool invalid) {
        SCOPED_TRACE(body);
        try {
            readDocument(document(body));
            ADD_FAILURE() << "no exception";
        } catch (const std::invalid_argument& e) {
            EXPECT_TRUE(invalid);
            EXPECT_STREQ(e.what(), what);
        } catch (const std::out_of_range& e) {
            EXPECT_FALSE(invalid);
            EXPECT_STREQ(e.what(), what);
        }
    };
    expectError("<key>brushSize</key><integer>abc</integer>", "invalid stoi argument", true);
    expectError("<key>brushSize</key><integer>-</integer>", "invalid stoi argument", true);
    expectError("<key>brushSize</key><integer>2147483648</integer>", "stoi argument out of range",
                false);
    expectError("<key>brushSize</key><integer>-2147483649</integer>", "stoi argument out of range",
                false);
    expectError("<key>brushSize</key><integer>99999999999999999999</integer>",
                "stoi argument out of range", false);
    // Values of unknown keys are converted too.
    expectError("<key>other</key><real>abc</real>", "invalid stof argument", true);
    expectError("<key>other</key><real>1e999</real>", "stof argument out of range", false);
}

TEST_F(PresetFileTest, CapsTheFileSize) {
    const std::string body = document("<key>tileSize</key><integer>3</integer>");
    const std::string atLimit = body + std::string(maxPresetFileBytes - body.size(), ' ');
    EXPECT_EQ(readDocument(atLimit).tileSize, 3);
    expectSystemError([&] { readDocument(atLimit + " "); }, "NelvoWinException", EFBIG);
}

// External entities and DTDs must never be fetched. A loader installed for the test
// records every attempt.
std::vector<std::string> loadAttempts;
xmlParserInputPtr recordingLoader(const char* url, const char*, xmlParserCtxtPtr) {
    loadAttempts.emplace_back(url != nullptr ? url : "");
    return nullptr;
}

TEST_F(PresetFileTest, NeverLoadsExternalEntitiesOrDtds) {
    const auto secret = folder.write("secret.txt", "secret");
    const std::string declaration = R"(<?xml version="1.0"?>)";
    const std::vector<std::string> documents = {
        declaration + "<!DOCTYPE plist SYSTEM \"" + (folder.path() / "plist.dtd").string() +
            "\"><plist><dict></dict></plist>",
        declaration + "<!DOCTYPE plist [<!ENTITY x SYSTEM \"file://" + secret.string() +
            "\">]><plist><dict><key>&x;</key><true/></dict></plist>",
        declaration +
            "<!DOCTYPE plist [<!ENTITY % p SYSTEM \"http://127.0.0.1:9/p.dtd\"> %p;]>"
            "<plist><dict></dict></plist>",
    };
    loadAttempts.clear();
    const xmlExternalEntityLoader previous = xmlGetExternalEntityLoader();
    xmlSetExternalEntityLoader(recordingLoader);
    for (const std::string& text : documents) {
        SCOPED_TRACE(text);
        expectSystemError([&] { readDocument(text); }, "NelvoWinException", EBADMSG);
    }
    xmlSetExternalEntityLoader(previous);
    EXPECT_TRUE(loadAttempts.empty()) << loadAttempts.front();
}

TEST_F(PresetFileTest, ReportsFileFailuresWithTheSystemCode) {
    expectSystemError(
        [&] {
            PresetSettings s = sentinel;
            readPresetFile(folder.path() / "missing.nelvo", s);
        },
        "Failed to open preset file for read", ENOENT);
    expectSystemError(
        [&] {
            PresetSettings s = sentinel;
            readPresetFile(folder.path(), s);
        },
        "Failed to open preset file for read", EISDIR);
    expectSystemError([&] { writePresetFile(folder.path() / "no" / "such.nelvo", defaults); },
                      "Failed to open preset file for write", ENOENT);
    // A device cannot be synchronised, which alone is no failure; every write to
    // /dev/full fails for want of space.
    EXPECT_NO_THROW(writePresetFile("/dev/null", defaults));
    expectSystemError([&] { writePresetFile("/dev/full", defaults); },
                      "Failed to write preset file", ENOSPC);
}

// libxml2 takes its memory from replaceable functions; failing them makes the XML reader
// and writer impossible to create.
bool failAllocations = false;
void* failingMalloc(size_t size) {
    return failAllocations ? nullptr : std::malloc(size);
}
void* failingRealloc(void* p, size_t size) {
    return failAllocations ? nullptr : std::realloc(p, size);
}
char* failingStrdup(const char* s) {
    return failAllocations ? nullptr : ::strdup(s);
}

class XmlAllocationFailure {
  public:
    XmlAllocationFailure() {
        xmlInitParser();
        xmlMemGet(&free_, &malloc_, &realloc_, &strdup_);
        xmlMemSetup(std::free, failingMalloc, failingRealloc, failingStrdup);
    }
    ~XmlAllocationFailure() {
        failAllocations = false;
        xmlMemSetup(free_, malloc_, realloc_, strdup_);
    }
    void start() { failAllocations = true; }
    void stop() { failAllocations = false; }

  private:
    xmlFreeFunc free_;
    xmlMallocFunc malloc_;
    xmlReallocFunc realloc_;
    xmlStrdupFunc strdup_;
};

TEST_F(PresetFileTest, ReportsXmlObjectsThatCannotBeCreated) {
    const auto file = folder.write("existing.nelvo", test::readFile(dataFolder / "default.nelvo"));
    XmlAllocationFailure allocation;

    allocation.start();
    expectSystemError([&] { writePresetFile(file, {}); }, "Failed to create XML writer", ENOMEM);
    allocation.stop();
    // The writer is made before the file is opened, so the file was not truncated.
    EXPECT_EQ(test::readFile(file), test::readFile(dataFolder / "default.nelvo"));

    allocation.start();
    expectSystemError(
        [&] {
            PresetSettings s = sentinel;
            readPresetFile(file, s);
        },
        "Failed to create XML reader", ENOMEM);
}

}  // namespace
}  // namespace nelvo
