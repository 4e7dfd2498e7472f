// The answer word of the Windows link channel (see ChannelAnswer.h).
#include "ChannelAnswer.h"

namespace kivra::win32channel {

namespace {

constexpr std::size_t kWordBytes = sizeof(std::uintptr_t);

std::uint8_t byteOf(std::uintptr_t word, std::size_t i) { return static_cast<std::uint8_t>(word >> (8 * i)); }

std::uintptr_t withByte(std::uintptr_t word, std::size_t i, std::uint8_t b) {
    return word | (std::uintptr_t(b) << (8 * i));
}

}  // namespace

std::string_view cutUtf8(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto continuation = [&](std::size_t i) { return (byte(i) & 0xC0) == 0x80; };
    std::size_t n = limit;
    if (continuation(n)) {
        // The lead byte of the character that the first byte left out belongs to.
        std::size_t lead = n;
        for (int steps = 0; steps < 3 && lead > 0 && continuation(lead); ++steps) --lead;
        const unsigned char b = byte(lead);
        const std::size_t need = b >= 0xF8 ? 0 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (need > 0 && lead + need > n) n = lead;
    }
    return text.substr(0, n);
}

std::intptr_t encodeAnswer(AnswerStatus status, std::string_view text) {
    text = cutUtf8(text, kAnswerRoom);
    std::uintptr_t word = withByte(0, 0, kAnswerTag);
    word = withByte(word, 1, static_cast<std::uint8_t>(status));
    word = withByte(word, 2, static_cast<std::uint8_t>(text.size()));
    for (std::size_t i = 0; i < text.size(); ++i) word = withByte(word, 3 + i, static_cast<std::uint8_t>(text[i]));
    return static_cast<std::intptr_t>(word);
}

std::optional<Answer> decodeAnswer(std::intptr_t signedWord) {
    const auto word = static_cast<std::uintptr_t>(signedWord);
    if (byteOf(word, 0) != kAnswerTag || byteOf(word, 1) > static_cast<std::uint8_t>(AnswerStatus::Rejected))
        return std::nullopt;
    const std::size_t length = byteOf(word, 2);
    if (length > kAnswerRoom) return std::nullopt;
    Answer answer{static_cast<AnswerStatus>(byteOf(word, 1)), {}};
    for (std::size_t i = 3 + length; i < kWordBytes; ++i)
        if (byteOf(word, i) != 0) return std::nullopt;
    for (std::size_t i = 0; i < length; ++i) answer.text.push_back(static_cast<char>(byteOf(word, 3 + i)));
    return answer;
}

}  // namespace kivra::win32channel
