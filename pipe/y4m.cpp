#include "pipe/y4m.h"

#include "pipe/messages.h"

#include <cctype>

namespace {

// The next tag of `text` from `at`, which moves past it and the spaces before.
std::string_view next_tag(std::string_view text, size_t& at)
{
    while (at < text.size() && text[at] == ' ')
        ++at;
    const size_t start = at;
    while (at < text.size() && text[at] != ' ')
        ++at;
    return text.substr(start, at - start);
}

// A size of one to nine digits, or -1.
int32_t dimension(std::string_view digits)
{
    if (digits.empty() || digits.size() > 9)
        return -1;
    int32_t value = 0;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Which of the output's own tags stands in for an input tag: W, H, I, C and
// XYSCSS as 0 to 4; 5 for one passed on as it was.
int own_tag(std::string_view tag)
{
    if (tag.starts_with("XYSCSS="))
        return 4;
    const size_t k = std::string_view("WHIC").find(tag[0]);
    return k == std::string_view::npos ? 5 : int(k);
}

bool is_scan_tag(std::string_view tag)
{
    return tag.size() == 2 && std::string_view("tbpm?").find(tag[1]) != std::string_view::npos;
}

} // namespace

bool parse_stream_header(std::string_view text, StreamHeader& header, std::string* why)
{
    header = StreamHeader{};
    bool seen[128] = {};
    for (size_t at = 0; at < text.size();) {
        const std::string_view tag = next_tag(text, at);
        if (tag.empty())
            continue;
        header.tags.emplace_back(tag);
        const char letter = tag[0];
        if (letter != 'W' && letter != 'H' && letter != 'I' && letter != 'C')
            continue;
        if (seen[int(letter)]) {
            *why = message("error - the stream header gives its %c tag twice", letter);
            return false;
        }
        seen[int(letter)] = true;
        const std::string_view value = tag.substr(1);
        const int32_t number = dimension(value);
        if (letter == 'C') {
            header.chroma = value;
        } else if (letter == 'I' ? !is_scan_tag(tag) : number <= 0) {
            *why = message("error - the stream header's tag %.*s is malformed", int(tag.size()), tag.data());
            return false;
        } else if (letter == 'I') {
            header.interlacing = tag[1];
        } else {
            (letter == 'W' ? header.width : header.height) = number;
        }
    }
    if (!header.width || !header.height) {
        *why = message("error - the stream header gives no %s (its %c tag)", header.width ? "height" : "width",
                       header.width ? 'H' : 'W');
        return false;
    }
    if (header.chroma.empty())
        header.chroma = "420jpeg";
    return true;
}

std::string output_header(const StreamHeader& input, int32_t width, int32_t height, char interlacing,
                          std::string_view chroma)
{
    std::string scs = "XYSCSS=";
    for (char c : chroma)
        scs += char(std::toupper(static_cast<unsigned char>(c)));
    const std::string ours[] = {std::string("W").append(std::to_string(width)),
                                std::string("H").append(std::to_string(height)), std::string("I") + interlacing,
                                std::string("C").append(chroma), scs};
    bool written[5] = {};
    std::string line(y4m_signature);
    for (const std::string& tag : input.tags) {
        const int k = own_tag(tag);
        line += " " + (k < 5 ? ours[k] : tag);
        if (k < 5)
            written[k] = true;
    }
    for (int k = 0; k < 5; ++k)
        if (!written[k])
            line += " " + ours[k];
    return line + "\n";
}

char frame_sampling(std::string_view tags, bool chroma_first)
{
    for (size_t at = 0; at < tags.size();) {
        const std::string_view tag = next_tag(tags, at);
        if (tag.size() != 4 || tag[0] != 'I' || std::string_view("tTbB123").find(tag[1]) == std::string_view::npos ||
            (tag[2] != 'p' && tag[2] != 'i') || (tag[3] != 'p' && tag[3] != 'i' && tag[3] != '?'))
            continue;
        return chroma_first && tag[3] != '?' ? tag[3] : tag[2];
    }
    return 0;
}
