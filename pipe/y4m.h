#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// YUV4MPEG2: a stream header line, "YUV4MPEG2" and tags separated by spaces,
// each a letter and its value (W1920 H1080 F30000:1001 It A1:1 C422p10
// XYSCSS=422P10); then each frame as a line "FRAME", with tags of its own
// after a space, and the frame's planes.

constexpr std::string_view y4m_signature = "YUV4MPEG2";
constexpr std::string_view frame_marker = "FRAME";

// The most bytes a stream header or a FRAME line may take, its line end
// included.
constexpr size_t y4m_line_limit = 4096;

struct StreamHeader {
    int32_t width = 0, height = 0;
    char interlacing = 0;          // the I tag's: t, b, p, m or ?; 0 where there is none
    std::string chroma;            // the C tag's; 420jpeg, the format's default, where there is none
    std::vector<std::string> tags; // every tag, as written and in its order
};

// Reads the tags of a stream header line (the text after the signature and
// before the line end). Returns true, or false with the message in *why: a
// W, H, I or C tag given twice, malformed or missing.
bool parse_stream_header(std::string_view tags, StreamHeader& header, std::string* why);

// The header line of an output: the input's tags in their order and as they
// were, but the size (W, H), the interlacing (I), the chroma (C) and its
// XYSCSS, which are the output's; those it lacks are added.
std::string output_header(const StreamHeader& input, int32_t width, int32_t height, char interlacing,
                          std::string_view chroma);

// How a frame of a mixed stream was sampled, by the I tag among a FRAME
// line's `tags` (Ixyz: x the field shown first or the frame's repeats, y the
// sampling of the picture, z that of its chroma, p progressive, i
// interlaced): 'i' or 'p' by the chroma's where `chroma_first` and it says
// one, else by the picture's; 0 where there is no well-formed I tag.
char frame_sampling(std::string_view tags, bool chroma_first);
