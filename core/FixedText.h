#pragma once
// A text of exactly N characters: longer texts are cut, shorter ones padded.

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kest {

template <std::size_t N>
class FixedText {
public:
    FixedText() { chars_.fill(' '); }  // not explicit: records holding one stay aggregates
    explicit FixedText(char fill) { chars_.fill(fill); }
    FixedText(std::string_view text, char fill = ' ') { assign(text, fill); }  // NOLINT: texts convert

    void assign(std::string_view text, char fill = ' ') {
        chars_.fill(fill);
        std::copy_n(text.begin(), std::min(text.size(), N), chars_.begin());
    }
    FixedText& operator=(std::string_view text) {
        assign(text);
        return *this;
    }

    std::string str() const { return std::string(chars_.begin(), chars_.end()); }
    std::string_view view() const { return std::string_view(chars_.data(), N); }
    // The text up to its first NUL character.
    std::string untilNul() const {
        const auto end = std::find(chars_.begin(), chars_.end(), '\0');
        return std::string(chars_.begin(), end);
    }
    static constexpr std::size_t size() { return N; }
    char operator[](std::size_t i) const { return chars_[i]; }
    bool operator==(const FixedText&) const = default;

private:
    std::array<char, N> chars_{};
};

}  // namespace kest
