// The value types every part of Talvex is written in: GBK text, counted bytes, 1-based arrays.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace talvex {

// Ends the program with `message` on standard error: an index out of range is a programming
// error, never a value a caller can recover from.
[[noreturn]] void ProgramError(const char* message);

// GBK bytes that never hold a 0 byte: every constructor stops at the first one.
class Text {
  public:
    Text() = default;
    Text(const char* bytes) : m_bytes(bytes ? bytes : "") {}  // NOLINT: implicit from a literal
    Text(std::string_view bytes) : m_bytes(bytes.substr(0, bytes.find('\0'))) {}  // NOLINT
    explicit Text(std::string&& bytes) : m_bytes(std::move(bytes)) { CutAtNul(); }
    explicit Text(const std::string& bytes) : Text(std::string_view(bytes)) {}

    [[nodiscard]] const std::string& str() const { return m_bytes; }
    [[nodiscard]] std::string_view view() const { return m_bytes; }
    [[nodiscard]] const char* c_str() const { return m_bytes.c_str(); }
    [[nodiscard]] bool empty() const { return m_bytes.empty(); }
    [[nodiscard]] std::size_t size() const { return m_bytes.size(); }

    friend bool operator==(const Text&, const Text&) = default;

  private:
    void CutAtNul() {
        if (auto nul = m_bytes.find('\0'); nul != std::string::npos) {
            m_bytes.resize(nul);
        }
    }
    std::string m_bytes;
};

// A counted byte buffer; may hold 0 bytes. HTTP bodies travel as Bytes.
class Bytes {
  public:
    Bytes() = default;
    explicit Bytes(std::string_view bytes) : m_bytes(bytes) {}
    explicit Bytes(std::string&& bytes) : m_bytes(std::move(bytes)) {}

    [[nodiscard]] const std::string& str() const { return m_bytes; }
    [[nodiscard]] std::string_view view() const { return m_bytes; }
    [[nodiscard]] const char* data() const { return m_bytes.data(); }
    [[nodiscard]] bool empty() const { return m_bytes.empty(); }
    [[nodiscard]] std::size_t size() const { return m_bytes.size(); }
    // Mutable access for code that fills a buffer it owns (a network read, a converter).
    [[nodiscard]] std::string& buffer() { return m_bytes; }

    // The byte at 1-based `index`; an index outside 1..size ends the program.
    [[nodiscard]] unsigned char At(int index) const {
        if (index < 1 || static_cast<std::size_t>(index) > m_bytes.size()) {
            ProgramError("Bytes: byte index out of range");
        }
        return static_cast<unsigned char>(m_bytes[static_cast<std::size_t>(index) - 1]);
    }

    friend bool operator==(const Bytes&, const Bytes&) = default;

  private:
    std::string m_bytes;
};

// UTF-16LE code units held in Bytes. As ToWide makes it, it ends in exactly one zero unit.
using WideBytes = Bytes;

// An ordered list of Text indexed from 1 to Count(); elements may be empty.
class TextArray {
  public:
    TextArray() = default;
    explicit TextArray(std::vector<Text> elements) : m_elements(std::move(elements)) {}

    [[nodiscard]] int Count() const { return static_cast<int>(m_elements.size()); }
    // The element at 1-based `index`; an index outside 1..Count() ends the program.
    [[nodiscard]] const Text& operator[](int index) const {
        if (index < 1 || index > Count()) {
            ProgramError("TextArray: element index out of range");
        }
        return m_elements[static_cast<std::size_t>(index) - 1];
    }
    void Append(Text element) { m_elements.push_back(std::move(element)); }
    [[nodiscard]] const std::vector<Text>& elements() const& { return m_elements; }
    // On a temporary (`for (auto& t : SplitText(...).elements())`) the elements move out, so
    // the loop never reads an array that has already been destroyed.
    [[nodiscard]] std::vector<Text> elements() && { return std::move(m_elements); }

    friend bool operator==(const TextArray&, const TextArray&) = default;

  private:
    std::vector<Text> m_elements;
};

}  // namespace talvex
