#include "plugin_host/registry_script.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace rs = rw::regscript;
using Kind = rs::Operation::Kind;

namespace {

const std::map<std::string, std::string> kModule{{"MODULE", "C:\\x\\lumbraplug.ocx"}};

std::string ShippedScript() {
    std::ifstream in(RW_SOURCE_DIR "/plugin_host/lumbraplug.rgs", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// One line per operation, so that a whole plan compares at a glance.
std::string Describe(const std::vector<rs::Operation>& ops) {
    std::string out;
    for (const auto& op : ops) {
        switch (op.kind) {
        case Kind::DeleteTree:
            out += "delete " + op.path + "\n";
            break;
        case Kind::CreateKey:
            out += "create " + op.path + "\n";
            break;
        case Kind::SetValue:
            out += "set " + op.path + " [" + op.value.name + "] = " +
                   (op.value.type == rs::Value::Type::String ? op.value.text
                                                             : std::to_string(op.value.number)) +
                   "\n";
            break;
        }
    }
    return out;
}

std::string ParseError(const std::string& text) {
    const auto result = rs::Parse(text, kModule);
    EXPECT_FALSE(result.ok) << text;
    return result.error;
}

} // namespace

TEST(RegistryScript, ShippedScriptRegistersExactlyTheControlsEntries) {
    const auto parsed = rs::Parse(ShippedScript(), kModule);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const std::string clsid = "CLSID\\{6A1D4C11-5B3E-4F11-9C27-1E8B30D4A6F5}";
    EXPECT_EQ(Describe(rs::Plan(parsed.script, rs::Mode::Register)),
              "create PlugIn.PlugIn.1\n"
              "set PlugIn.PlugIn.1 [] = PlugIn Class\n"
              "create PlugIn.PlugIn.1\\CLSID\n"
              "set PlugIn.PlugIn.1\\CLSID [] = {6A1D4C11-5B3E-4F11-9C27-1E8B30D4A6F5}\n"
              "create PlugIn.PlugIn\n"
              "set PlugIn.PlugIn [] = PlugIn Class\n"
              // Class lookups by this name do not follow CurVer everywhere.
              "create PlugIn.PlugIn\\CLSID\n"
              "set PlugIn.PlugIn\\CLSID [] = {6A1D4C11-5B3E-4F11-9C27-1E8B30D4A6F5}\n"
              "create PlugIn.PlugIn\\CurVer\n"
              "set PlugIn.PlugIn\\CurVer [] = PlugIn.PlugIn.1\n"
              "create CLSID\n"
              "delete " +
                  clsid +
                  "\n"
                  "create " +
                  clsid +
                  "\n"
                  "set " +
                  clsid +
                  " [] = PlugIn Class\n"
                  "create " +
                  clsid +
                  "\\ProgID\n"
                  "set " +
                  clsid +
                  "\\ProgID [] = PlugIn.PlugIn.1\n"
                  "create " +
                  clsid +
                  "\\VersionIndependentProgID\n"
                  "set " +
                  clsid +
                  "\\VersionIndependentProgID [] = PlugIn.PlugIn\n"
                  "delete " +
                  clsid +
                  "\\Programmable\n"
                  "create " +
                  clsid +
                  "\\Programmable\n"
                  "create " +
                  clsid +
                  "\\InprocServer32\n"
                  "set " +
                  clsid +
                  "\\InprocServer32 [] = C:\\x\\lumbraplug.ocx\n"
                  "set " +
                  clsid +
                  "\\InprocServer32 [ThreadingModel] = Apartment\n"
                  "delete " +
                  clsid +
                  "\\Control\n"
                  "create " +
                  clsid +
                  "\\Control\n"
                  "delete " +
                  clsid +
                  "\\Insertable\n"
                  "create " +
                  clsid +
                  "\\Insertable\n"
                  "delete " +
                  clsid +
                  "\\ToolboxBitmap32\n"
                  "create " +
                  clsid +
                  "\\ToolboxBitmap32\n"
                  "set " +
                  clsid +
                  "\\ToolboxBitmap32 [] = C:\\x\\lumbraplug.ocx, 210\n"
                  "create " +
                  clsid +
                  "\\MiscStatus\n"
                  "set " +
                  clsid +
                  "\\MiscStatus [] = 0\n"
                  "create " +
                  clsid +
                  "\\MiscStatus\\1\n"
                  "set " +
                  clsid +
                  "\\MiscStatus\\1 [] = 132497\n"
                  "create " +
                  clsid +
                  "\\TypeLib\n"
                  "set " +
                  clsid +
                  "\\TypeLib [] = {6A1D4C02-5B3E-4F11-9C27-1E8B30D4A6F5}\n"
                  "create " +
                  clsid +
                  "\\Version\n"
                  "set " +
                  clsid + "\\Version [] = 1.0\n");
    // Unregistering removes the two ProgIDs and the class, never CLSID itself.
    EXPECT_EQ(Describe(rs::Plan(parsed.script, rs::Mode::Unregister)),
              "delete PlugIn.PlugIn.1\ndelete PlugIn.PlugIn\ndelete " + clsid + "\n");
}

TEST(RegistryScript, QuotesPlaceholdersNumbersAndComments) {
    const auto parsed = rs::Parse("// a comment\n"
                                  "HKEY_CLASSES_ROOT {\n"
                                  "  'it''s {braced}' = s '100%% of %MODULE%' {\n"
                                  "    val Flags = d '0x20591'\n"
                                  "    val Count = d 7\n"
                                  "  }\n"
                                  "}\n",
                                  kModule);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const rs::Key& key = parsed.script.roots.at(0).keys.at(0);
    EXPECT_EQ(key.name, "it's {braced}");
    EXPECT_EQ(key.defaultValue->text, "100% of C:\\x\\lumbraplug.ocx");
    ASSERT_EQ(key.values.size(), 2u);
    EXPECT_EQ(key.values[0].number, 132497u);
    EXPECT_EQ(key.values[1].number, 7u);
}

TEST(RegistryScript, MalformedScriptsAreRefusedWithTheirLine) {
    EXPECT_EQ(ParseError("HKCR\n{\n  Key = s 'open\n}\n"), "line 3: unterminated quoted text");
    EXPECT_EQ(ParseError("HKCR { Key { Sub = s 'x' }"), "line 1: missing '}' for the root key");
    EXPECT_EQ(ParseError("HKCR { Key { Sub = s 'x'"), "line 1: missing '}' for key 'Key'");
    EXPECT_EQ(ParseError("HKLM { Key }"), "line 1: expected a root key (HKCR)");
    EXPECT_EQ(ParseError("HKCR { Key = s '%MODUL%' }"), "line 1: unknown placeholder %MODUL%");
    EXPECT_EQ(ParseError("HKCR { Key = s '50%' }"), "line 1: unterminated '%' placeholder");
    EXPECT_EQ(ParseError("HKCR { val X = s 'y' }"),
              "line 1: 'val' names a value and belongs inside a key's braces");
    EXPECT_EQ(ParseError("HKCR { Key = x 'y' }"), "line 1: expected a value type ('s' or 'd')");
    EXPECT_EQ(ParseError("HKCR { Key = d '4294967296' }"),
              "line 1: not a 32-bit number: '4294967296'");
    EXPECT_EQ(ParseError("HKCR { Key = d '-1' }"), "line 1: not a 32-bit number: '-1'");
    EXPECT_EQ(ParseError("HKCR { 'a\\b' }"),
              "line 1: a key or value name may not be empty or hold '\\'");
    EXPECT_EQ(ParseError("HKCR { '' }"),
              "line 1: a key or value name may not be empty or hold '\\'");
    EXPECT_EQ(ParseError("HKCR { ForceRemove NoRemove Key }"),
              "line 1: a key cannot be both ForceRemove and NoRemove");
    EXPECT_EQ(ParseError("HKCR { Key { val = s 'x' } }"),
              "line 1: expected a value name after 'val'");
    EXPECT_EQ(ParseError("HKCR"), "line 1: expected '{' after the root key");
    EXPECT_EQ(ParseError("HKCR { Key = s 'a\x01' }"), "line 1: control character in quoted text");
    // Nesting deep enough to exhaust a naive recursive parser's stack is refused instead.
    std::string deep = "HKCR {";
    for (int i = 0; i < 100000; ++i) {
        deep += " K {";
    }
    EXPECT_EQ(ParseError(deep), "line 1: keys nested too deeply");
}

TEST(RegistryScript, EveryTruncationOfTheShippedScriptIsHandled) {
    // Each prefix either parses (it ends between root blocks) or fails with a message; none
    // reads past its end (the sanitizers watch the native build).
    const std::string script = ShippedScript();
    int parsed = 0;
    for (std::size_t n = 0; n < script.size(); ++n) {
        const std::string prefix = script.substr(0, n);
        const auto result = rs::Parse(prefix, kModule);
        if (result.ok) {
            ++parsed;
        } else {
            EXPECT_FALSE(result.error.empty());
        }
    }
    // Only the empty prefix and the whole root block (without the final line break) parse: a
    // script that lost part of its tail is never taken for a shorter valid one.
    EXPECT_EQ(parsed, 2);
}

TEST(RegistryScript, EmptyScriptDoesNothing) {
    const auto parsed = rs::Parse("  \n// nothing\n", kModule);
    ASSERT_TRUE(parsed.ok);
    EXPECT_TRUE(rs::Plan(parsed.script, rs::Mode::Register).empty());
}
