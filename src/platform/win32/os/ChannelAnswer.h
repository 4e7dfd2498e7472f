// The answer word of the Windows link channel: a receiver's window procedure returns its
// status and a short answer text in the LRESULT of the WM_COPYDATA or WM_SYSCOMMAND it handled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kivra::win32channel {

enum class AnswerStatus : std::uint8_t { Handled = 0, Ignored = 1, Rejected = 2 };

// Byte 0 is the tag that marks a Kivra receiver, byte 1 the status, byte 2 the answer length,
// the remaining bytes the answer text (5 in a 64-bit program). A window that is not ours
// returns something else (DefWindowProc returns 0 for WM_COPYDATA).
constexpr std::uint8_t kAnswerTag = 0xC5;
constexpr std::size_t kAnswerRoom = sizeof(std::uintptr_t) - 3;

struct Answer {
    AnswerStatus status = AnswerStatus::Handled;
    std::string text;
};

// The text is cut to kAnswerRoom bytes without splitting a UTF-8 character.
std::intptr_t encodeAnswer(AnswerStatus status, std::string_view text);
// Nullopt unless the word carries the tag, a known status, a fitting length and zero padding.
std::optional<Answer> decodeAnswer(std::intptr_t word);

// At most `limit` bytes of `text`; a UTF-8 character that would straddle the limit is left
// out whole (backing off at most three bytes). Bytes that are not UTF-8 are cut exactly.
std::string_view cutUtf8(std::string_view text, std::size_t limit);

}  // namespace kivra::win32channel
