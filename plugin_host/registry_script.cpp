#include "plugin_host/registry_script.h"

#include <cctype>
#include <charconv>

namespace rw::regscript {
namespace {

// Deeper nesting than any registry tree needs; a bound keeps hostile scripts off the stack.
constexpr int kMaxDepth = 32;

struct Token {
    enum class Kind { End, Word, Quoted, Open, Close, Equals };
    Kind kind = Kind::End;
    std::string text;
    int line = 1;
};

class Parser {
public:
    Parser(std::string_view text, const std::map<std::string, std::string>& variables)
        : text_(text), variables_(variables) {}

    ParseResult Run() {
        ParseResult result;
        if (!Advance()) {
            return Fail();
        }
        while (token_.kind != Token::Kind::End) {
            RootKey root;
            if (token_.kind != Token::Kind::Word ||
                (token_.text != "HKCR" && token_.text != "HKEY_CLASSES_ROOT")) {
                error_ = "expected a root key (HKCR)";
                return Fail();
            }
            if (!Advance() || !Expect(Token::Kind::Open, "'{' after the root key")) {
                return Fail();
            }
            while (token_.kind != Token::Kind::Close) {
                if (token_.kind == Token::Kind::End) {
                    error_ = "missing '}' for the root key";
                    return Fail();
                }
                Key key;
                if (!ParseKey(key, 1)) {
                    return Fail();
                }
                root.keys.push_back(std::move(key));
            }
            if (!Advance()) {
                return Fail();
            }
            result.script.roots.push_back(std::move(root));
        }
        result.ok = true;
        return result;
    }

private:
    ParseResult Fail() const {
        ParseResult result;
        result.error = "line " + std::to_string(token_.line) + ": " + error_;
        return result;
    }

    bool Expect(Token::Kind kind, const char* what) {
        if (token_.kind != kind) {
            error_ = std::string("expected ") + what;
            return false;
        }
        return Advance();
    }

    bool IsWord(const char* word) const {
        return token_.kind == Token::Kind::Word && token_.text == word;
    }

    // A key name: a bare word or a quoted text, never empty and never holding a separator.
    bool ParseName(std::string& name, const char* what) {
        if (token_.kind != Token::Kind::Word && token_.kind != Token::Kind::Quoted) {
            error_ = std::string("expected ") + what;
            return false;
        }
        name = token_.text;
        if (name.empty() || name.find('\\') != std::string::npos) {
            error_ = "a key or value name may not be empty or hold '\\'";
            return false;
        }
        return Advance();
    }

    bool ParseValue(Value& value) {
        if (IsWord("s")) {
            value.type = Value::Type::String;
            if (!Advance()) {
                return false;
            }
            if (token_.kind != Token::Kind::Quoted) {
                error_ = "expected a quoted text after 's'";
                return false;
            }
            value.text = token_.text;
            return Advance();
        }
        if (IsWord("d")) {
            value.type = Value::Type::Number;
            if (!Advance()) {
                return false;
            }
            if (token_.kind != Token::Kind::Quoted && token_.kind != Token::Kind::Word) {
                error_ = "expected a number after 'd'";
                return false;
            }
            std::string_view digits = token_.text;
            int base = 10;
            if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
                digits.remove_prefix(2);
                base = 16;
            }
            const auto [end, ec] =
                std::from_chars(digits.data(), digits.data() + digits.size(), value.number, base);
            if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) {
                error_ = "not a 32-bit number: '" + token_.text + "'";
                return false;
            }
            return Advance();
        }
        error_ = "expected a value type ('s' or 'd')";
        return false;
    }

    bool ParseKey(Key& key, int depth) {
        if (depth > kMaxDepth) {
            error_ = "keys nested too deeply";
            return false;
        }
        for (;;) {
            if (IsWord("ForceRemove")) {
                key.forceRemove = true;
            } else if (IsWord("NoRemove")) {
                key.noRemove = true;
            } else {
                break;
            }
            if (!Advance()) {
                return false;
            }
        }
        if (key.forceRemove && key.noRemove) {
            error_ = "a key cannot be both ForceRemove and NoRemove";
            return false;
        }
        if (token_.kind == Token::Kind::End || token_.kind == Token::Kind::Close) {
            error_ = "expected a key name";
            return false;
        }
        if (IsWord("val")) {
            error_ = "'val' names a value and belongs inside a key's braces";
            return false;
        }
        if (!ParseName(key.name, "a key name")) {
            return false;
        }
        if (token_.kind == Token::Kind::Equals) {
            if (!Advance()) {
                return false;
            }
            Value value;
            if (!ParseValue(value)) {
                return false;
            }
            key.defaultValue = std::move(value);
        }
        if (token_.kind != Token::Kind::Open) {
            return true;
        }
        if (!Advance()) {
            return false;
        }
        while (token_.kind != Token::Kind::Close) {
            if (token_.kind == Token::Kind::End) {
                error_ = "missing '}' for key '" + key.name + "'";
                return false;
            }
            if (IsWord("val")) {
                if (!Advance()) {
                    return false;
                }
                Value value;
                if (!ParseName(value.name, "a value name after 'val'") ||
                    !Expect(Token::Kind::Equals, "'=' after the value name") ||
                    !ParseValue(value)) {
                    return false;
                }
                key.values.push_back(std::move(value));
                continue;
            }
            Key subkey;
            if (!ParseKey(subkey, depth + 1)) {
                return false;
            }
            key.subkeys.push_back(std::move(subkey));
        }
        return Advance();
    }

    // Reads the next token into token_; false (with error_) on a lexical error.
    bool Advance() {
        for (;;) {
            while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
                if (text_[pos_] == '\n') {
                    ++line_;
                }
                ++pos_;
            }
            if (text_.compare(pos_, 2, "//") != 0) {
                break;
            }
            while (pos_ < text_.size() && text_[pos_] != '\n') {
                ++pos_;
            }
        }
        token_ = Token{};
        token_.line = line_;
        if (pos_ >= text_.size()) {
            return true;
        }
        const char c = text_[pos_];
        switch (c) {
        case '{':
            token_.kind = Token::Kind::Open;
            ++pos_;
            return true;
        case '}':
            token_.kind = Token::Kind::Close;
            ++pos_;
            return true;
        case '=':
            token_.kind = Token::Kind::Equals;
            ++pos_;
            return true;
        case '\'':
            token_.kind = Token::Kind::Quoted;
            return ReadQuoted();
        default:
            break;
        }
        token_.kind = Token::Kind::Word;
        const std::size_t start = pos_;
        while (pos_ < text_.size()) {
            const char w = text_[pos_];
            if (std::isspace(static_cast<unsigned char>(w)) || w == '{' || w == '}' || w == '=' ||
                w == '\'') {
                break;
            }
            ++pos_;
        }
        return Expand(text_.substr(start, pos_ - start), token_.text);
    }

    bool ReadQuoted() {
        ++pos_; // opening quote
        std::string raw;
        for (;;) {
            if (pos_ >= text_.size() || text_[pos_] == '\n' || text_[pos_] == '\r') {
                error_ = "unterminated quoted text";
                return false;
            }
            const char c = text_[pos_++];
            if (c == '\'') {
                if (pos_ < text_.size() && text_[pos_] == '\'') {
                    raw.push_back('\'');
                    ++pos_;
                    continue;
                }
                break;
            }
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                error_ = "control character in quoted text";
                return false;
            }
            raw.push_back(c);
        }
        return Expand(raw, token_.text);
    }

    // Replaces %NAME% placeholders; an unknown or unterminated one is an error, so that a
    // misspelt placeholder never reaches the registry as text.
    bool Expand(std::string_view raw, std::string& out) {
        out.clear();
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '%') {
                out.push_back(raw[i]);
                continue;
            }
            const std::size_t close = raw.find('%', i + 1);
            if (close == std::string_view::npos) {
                error_ = "unterminated '%' placeholder";
                return false;
            }
            const std::string name(raw.substr(i + 1, close - i - 1));
            if (name.empty()) {
                out.push_back('%');
            } else {
                const auto found = variables_.find(name);
                if (found == variables_.end()) {
                    error_ = "unknown placeholder %" + name + "%";
                    return false;
                }
                out += found->second;
            }
            i = close;
        }
        return true;
    }

    std::string_view text_;
    const std::map<std::string, std::string>& variables_;
    std::size_t pos_ = 0;
    int line_ = 1;
    Token token_;
    std::string error_;
};

void PlanRegister(const Key& key, Root root, const std::string& parent,
                  std::vector<Operation>& ops) {
    const std::string path = parent.empty() ? key.name : parent + "\\" + key.name;
    if (key.forceRemove) {
        ops.push_back({Operation::Kind::DeleteTree, root, path, {}});
    }
    ops.push_back({Operation::Kind::CreateKey, root, path, {}});
    if (key.defaultValue) {
        ops.push_back({Operation::Kind::SetValue, root, path, *key.defaultValue});
    }
    for (const Value& value : key.values) {
        ops.push_back({Operation::Kind::SetValue, root, path, value});
    }
    for (const Key& sub : key.subkeys) {
        PlanRegister(sub, root, path, ops);
    }
}

void PlanUnregister(const Key& key, Root root, const std::string& parent,
                    std::vector<Operation>& ops) {
    const std::string path = parent.empty() ? key.name : parent + "\\" + key.name;
    if (!key.noRemove) {
        ops.push_back({Operation::Kind::DeleteTree, root, path, {}});
        return;
    }
    for (const Key& sub : key.subkeys) {
        PlanUnregister(sub, root, path, ops);
    }
}

} // namespace

ParseResult Parse(std::string_view text, const std::map<std::string, std::string>& variables) {
    return Parser(text, variables).Run();
}

std::vector<Operation> Plan(const Script& script, Mode mode) {
    std::vector<Operation> ops;
    for (const RootKey& root : script.roots) {
        for (const Key& key : root.keys) {
            if (mode == Mode::Register) {
                PlanRegister(key, root.root, {}, ops);
            } else {
                PlanUnregister(key, root.root, {}, ops);
            }
        }
    }
    return ops;
}

} // namespace rw::regscript
