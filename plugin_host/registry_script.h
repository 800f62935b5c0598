#pragma once
// The registration script of lumbraplug: a small tree language that names registry keys and
// values, parsed here (no Windows header) and turned into a list of registry operations that the
// Windows side carries out in order.
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove '{...}' = s 'Name'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// Names are bare words or quoted with single quotes ('' stands for one quote). Values are
// `s 'text'` (a string) or `d 'number'` (a 32-bit number, decimal or 0x hexadecimal).
// `%NAME%` inside a quoted text or a name is replaced by the variable's value; `%%` is one
// percent sign. `ForceRemove` deletes the key with everything below it before registering it;
// `NoRemove` keeps the key when unregistering (only the keys listed inside it are removed).
// Every other key is deleted with everything below it when unregistering.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rw::regscript {

enum class Root { ClassesRoot };

struct Value {
    enum class Type { String, Number };
    std::string name; // empty: the key's default value
    Type type = Type::String;
    std::string text;         // Type::String
    std::uint32_t number = 0; // Type::Number
    bool operator==(const Value&) const = default;
};

struct Key {
    std::string name;
    bool forceRemove = false;
    bool noRemove = false;
    std::optional<Value> defaultValue;
    std::vector<Value> values;
    std::vector<Key> subkeys;
};

struct RootKey {
    Root root = Root::ClassesRoot;
    std::vector<Key> keys;
};

struct Script {
    std::vector<RootKey> roots;
};

struct ParseResult {
    bool ok = false;
    Script script;
    std::string error; // what went wrong, with its line number
};

// Parses `text` (UTF-8); `variables` gives the value of each %NAME% placeholder.
ParseResult Parse(std::string_view text, const std::map<std::string, std::string>& variables);

// One step of carrying out a script. Paths are relative to the root and use '\' between names.
struct Operation {
    enum class Kind { DeleteTree, CreateKey, SetValue };
    Kind kind = Kind::CreateKey;
    Root root = Root::ClassesRoot;
    std::string path;
    Value value; // Kind::SetValue
    bool operator==(const Operation&) const = default;
};

enum class Mode { Register, Unregister };

// The operations that register or unregister what `script` describes, in the order to run them.
std::vector<Operation> Plan(const Script& script, Mode mode);

} // namespace rw::regscript
