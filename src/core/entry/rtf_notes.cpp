#include "entry/rtf_notes.h"
#include "common/utf8.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tallwick::entry {
namespace {

struct Style {
    bool bold = false;
    int colour = 0;
    bool skip = false;  // inside a destination that is not text
    bool colourTable = false;
    int unicodeSkip = 1;  // \ucN: fallback characters after \uN
};

struct Colour {
    int red = 0, green = 0, blue = 0;
};

class Reader {
  public:
    explicit Reader(std::string_view rtf) : rtf_(rtf) {}

    std::optional<std::string> Run() {
        if (rtf_.substr(0, 5) != "{\\rtf") return std::nullopt;
        std::vector<Style> stack;
        Style style;
        while (pos_ < rtf_.size()) {
            const char c = rtf_[pos_++];
            if (c == '{') {
                stack.push_back(style);
                if (Peek("\\*")) style.skip = true;
            } else if (c == '}') {
                if (stack.empty()) return std::nullopt;
                style = stack.back();
                stack.pop_back();
                if (stack.empty()) break;
            } else if (c == '\\') {
                ControlWord(style);
            } else if (c == '\r' || c == '\n') {
                continue;
            } else if (style.colourTable) {
                if (c == ';') colours_.push_back(pending_), pending_ = {};
            } else if (!style.skip) {
                Text(style, std::string(1, c));
            }
        }
        if (!stack.empty()) return std::nullopt;
        FlushRun();
        if (!paragraph_.empty()) CloseParagraph();
        return html_;
    }

  private:
    bool Peek(std::string_view text) const { return rtf_.substr(pos_, text.size()) == text; }

    void ControlWord(Style& style) {
        if (pos_ >= rtf_.size()) return;
        const char first = rtf_[pos_];
        if (first == '\\' || first == '{' || first == '}') {
            ++pos_;
            if (!style.skip) Text(style, std::string(1, first));
            return;
        }
        if (first == '\'') {
            const unsigned byte = static_cast<unsigned>(
                std::strtoul(std::string(rtf_.substr(pos_ + 1, 2)).c_str(), nullptr, 16));
            pos_ += 3;
            std::string text;
            AppendUtf8(text, byte);  // code page 1252's lower half is Latin-1
            if (!style.skip) Text(style, text);
            return;
        }
        std::string word;
        while (pos_ < rtf_.size() && std::isalpha(static_cast<unsigned char>(rtf_[pos_]))) {
            word += rtf_[pos_++];
        }
        std::string number;
        if (pos_ < rtf_.size() && rtf_[pos_] == '-') number += rtf_[pos_++];
        while (pos_ < rtf_.size() && std::isdigit(static_cast<unsigned char>(rtf_[pos_]))) {
            number += rtf_[pos_++];
        }
        if (pos_ < rtf_.size() && rtf_[pos_] == ' ') ++pos_;
        const bool hasNumber = !number.empty() && number != "-";
        const int value = hasNumber ? std::atoi(number.c_str()) : 0;
        if (word.empty()) {  // control symbols such as \~ and \-
            if (first == '~' && !style.skip) Text(style, "&nbsp;", false);
            if (pos_ < rtf_.size()) ++pos_;
            return;
        }
        if (word == "fonttbl" || word == "stylesheet" || word == "info" || word == "pict" ||
            word == "header" || word == "footer") {
            style.skip = true;
        } else if (word == "colortbl") {
            style.colourTable = true;
            style.skip = true;
        } else if (word == "red") {
            pending_.red = value;
        } else if (word == "green") {
            pending_.green = value;
        } else if (word == "blue") {
            pending_.blue = value;
        } else if (style.skip) {
            return;
        } else if (word == "par") {
            CloseParagraph();
        } else if (word == "line") {
            Text(style, "<br/>", false);
        } else if (word == "tab") {
            Text(style, "&nbsp;&nbsp;&nbsp;&nbsp;", false);
        } else if (word == "b") {
            style.bold = !hasNumber || value != 0;
        } else if (word == "cf") {
            style.colour = value;
        } else if (word == "plain") {
            style.bold = false;
            style.colour = 0;
        } else if (word == "uc") {
            style.unicodeSkip = value;
        } else if (word == "u") {
            std::string text;
            AppendUtf8(text, static_cast<unsigned>(value < 0 ? value + 65536 : value));
            Text(style, text);
            SkipFallback(style.unicodeSkip);
        }
    }

    void SkipFallback(int count) {
        for (int i = 0; i < count && pos_ < rtf_.size(); ++i) {
            if (rtf_[pos_] == '\\' && Peek("\\'"))
                pos_ += 4;
            else if (rtf_[pos_] == '{' || rtf_[pos_] == '}' || rtf_[pos_] == '\\')
                break;
            else
                ++pos_;
        }
    }

    void Text(const Style& style, const std::string& text, bool escape = true) {
        std::string escaped;
        if (escape) {
            for (const char c : text) {
                if (c == '<')
                    escaped += "&lt;";
                else if (c == '>')
                    escaped += "&gt;";
                else if (c == '&')
                    escaped += "&amp;";
                else
                    escaped += c;
            }
        } else {
            escaped = text;
        }
        std::string css;
        if (style.bold) css += "font-weight:bold;";
        if (style.colour > 0 && style.colour < static_cast<int>(colours_.size())) {
            const Colour& c = colours_[static_cast<std::size_t>(style.colour)];
            char hex[16];
            std::snprintf(hex, sizeof hex, "#%02x%02x%02x", c.red & 0xFF, c.green & 0xFF,
                          c.blue & 0xFF);
            css += std::string("color:") + hex + ";";
        }
        if (css != runStyle_) FlushRun();
        runStyle_ = css;
        run_ += escaped;
    }

    void FlushRun() {
        if (!run_.empty()) {
            paragraph_ +=
                runStyle_.empty() ? run_ : "<span style=\"" + runStyle_ + "\">" + run_ + "</span>";
        }
        run_.clear();
    }

    void CloseParagraph() {
        FlushRun();
        html_ += "<p>" + paragraph_ + "</p>";
        paragraph_.clear();
    }

    std::string_view rtf_;
    std::size_t pos_ = 0;
    std::vector<Colour> colours_;
    Colour pending_;
    std::string run_;  // text of one style, so a styled word is one span
    std::string runStyle_;
    std::string paragraph_;
    std::string html_;
};

}  // namespace

std::optional<std::string> RtfToRichText(std::string_view rtf) {
    return Reader(rtf).Run();
}

}  // namespace tallwick::entry
