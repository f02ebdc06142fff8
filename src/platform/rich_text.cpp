#include "rich_text.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace platform {

namespace {

// Code page 1252 between 0x80 and 0x9F; the rest of the upper half is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

QChar fromCp1252(unsigned char c)
{
    if (c >= 0x80 && c < 0xA0)
        return QChar(kCp1252High[c - 0x80]);
    return QChar(static_cast<char16_t>(c));
}

// Groups whose content is not shown.
bool isSkippedDestination(const std::string& word)
{
    static const char* const kSkipped[] = {
        "fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "header", "headerl", "headerr",
        "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "fldinst", "listtable",
        "listoverridetable", "rsidtbl", "generator", "xmlnstbl", "themedata", "colorschememapping",
        "latentstyles", "datastore", "filetbl", "revtbl", "pgdsctbl", "bkmkstart", "bkmkend", "nonshppict",
        "private", "template", "userprops", "docvar", "xe", "tc", "comment", "author", "operator",
    };
    for (const char* s : kSkipped)
        if (word == s)
            return true;
    return false;
}

struct GroupState {
    RichRun format;
    int ucSkip = 1;
    bool skip = false;
};

class RtfParser {
public:
    explicit RtfParser(const std::string& in) : in_(in) {}

    RichText run()
    {
        text_.paragraphs.emplace_back();
        // The outermost group is the document; the stack never empties below it.
        stack_.push_back(GroupState{});
        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            if (c == '{') {
                ++pos_;
                if (stack_.size() < kMaxDepth)
                    stack_.push_back(stack_.back());
                else
                    ++overflow_;
                pendingDestination_ = true;
            } else if (c == '}') {
                ++pos_;
                if (overflow_ > 0)
                    --overflow_;
                else if (stack_.size() > 1)
                    stack_.pop_back();
                pendingDestination_ = false;
            } else if (c == '\\') {
                controlWord();
            } else if (c == '\r' || c == '\n') {
                ++pos_;
            } else {
                ++pos_;
                pendingDestination_ = false;
                emitChar(fromCp1252(static_cast<unsigned char>(c)));
            }
        }
        if (text_.paragraphs.back().runs.empty() && text_.paragraphs.size() > 1)
            text_.paragraphs.pop_back();
        return std::move(text_);
    }

private:
    static constexpr size_t kMaxDepth = 256;

    GroupState& state() { return stack_.back(); }

    void emitChar(QChar ch)
    {
        if (skipCount_ > 0) {
            --skipCount_;
            return;
        }
        if (state().skip)
            return;
        if (ch.isHighSurrogate()) {
            pendingHigh_ = ch;
            return;
        }
        RichParagraph& p = text_.paragraphs.back();
        if (p.runs.empty() || !p.runs.back().sameFormat(state().format)) {
            RichRun run = state().format;
            run.text.clear();
            p.runs.push_back(run);
        }
        if (!pendingHigh_.isNull()) {
            if (ch.isLowSurrogate())
                p.runs.back().text += pendingHigh_;
            else
                p.runs.back().text += QChar(0xFFFD);
            pendingHigh_ = QChar();
        }
        p.runs.back().text += ch;
    }

    void newParagraph()
    {
        if (state().skip)
            return;
        RichParagraph next;
        next.align = text_.paragraphs.back().align;
        text_.paragraphs.push_back(std::move(next));
    }

    void controlWord()
    {
        ++pos_;  // the backslash
        if (pos_ >= in_.size())
            return;
        const char c = in_[pos_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            controlSymbol(c);
            return;
        }
        std::string word;
        while (pos_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[pos_])) && word.size() < 32)
            word += in_[pos_++];
        bool hasParam = false;
        long param = 0;
        bool negative = false;
        if (pos_ < in_.size() && in_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        int digits = 0;
        while (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_]))) {
            if (digits < 10)
                param = param * 10 + (in_[pos_] - '0');
            ++digits;
            ++pos_;
            hasParam = true;
        }
        if (negative)
            param = -param;
        if (pos_ < in_.size() && in_[pos_] == ' ')
            ++pos_;  // the delimiter belongs to the word
        const bool firstInGroup = pendingDestination_;
        pendingDestination_ = false;
        word_(word, hasParam, param, firstInGroup);
    }

    void controlSymbol(char c)
    {
        const bool firstInGroup = pendingDestination_;
        pendingDestination_ = false;
        switch (c) {
        case '\\':
        case '{':
        case '}': emitChar(QChar(static_cast<char16_t>(c))); break;
        case '~': emitChar(QChar(0x00A0)); break;
        case '_': emitChar(QChar(0x2011)); break;
        case '-': break;  // optional hyphen
        case '*':
            if (firstInGroup)
                state().skip = true;
            break;
        case '\'': {
            if (pos_ + 2 <= in_.size()) {
                const int hi = hexValue(in_[pos_]), lo = hexValue(in_[pos_ + 1]);
                if (hi >= 0 && lo >= 0) {
                    pos_ += 2;
                    emitChar(fromCp1252(static_cast<unsigned char>(hi << 4 | lo)));
                }
            }
            break;
        }
        case '\r':
        case '\n': newParagraph(); break;  // a backslash before a line end is \par
        default: break;
        }
    }

    static int hexValue(char c)
    {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    void word_(const std::string& w, bool hasParam, long param, bool firstInGroup)
    {
        RichRun& f = state().format;
        const bool on = !hasParam || param != 0;
        if (firstInGroup && isSkippedDestination(w)) {
            state().skip = true;
        } else if (w == "par" || w == "sect" || w == "page") {
            newParagraph();
        } else if (w == "line") {
            emitChar(QChar(0x2028));
        } else if (w == "tab") {
            emitChar(QChar('\t'));
        } else if (w == "b") {
            f.bold = on;
        } else if (w == "i") {
            f.italic = on;
        } else if (w == "ulnone") {
            f.underline = false;
        } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "ulth" || w == "uldash") {
            f.underline = on;
        } else if (w == "fs") {
            if (hasParam && param > 0 && param <= 3276)
                f.halfPoints = static_cast<int>(param);
        } else if (w == "plain") {
            f = RichRun{};
        } else if (w == "pard") {
            if (!state().skip)
                text_.paragraphs.back().align = RichAlign::Left;
        } else if (w == "qc" || w == "ql" || w == "qr" || w == "qj") {
            if (!state().skip)
                text_.paragraphs.back().align = w == "qc" ? RichAlign::Center
                                              : w == "qr" ? RichAlign::Right
                                              : w == "qj" ? RichAlign::Justify
                                                          : RichAlign::Left;
        } else if (w == "uc") {
            if (hasParam && param >= 0 && param <= 10)
                state().ucSkip = static_cast<int>(param);
        } else if (w == "u") {
            if (hasParam) {
                long v = param;
                if (v < 0)
                    v += 65536;
                if (v >= 0 && v <= 0xFFFF)
                    emitChar(QChar(static_cast<char16_t>(v)));
                skipCount_ = state().ucSkip;
            }
        } else if (w == "emdash") {
            emitChar(QChar(0x2014));
        } else if (w == "endash") {
            emitChar(QChar(0x2013));
        } else if (w == "bullet") {
            emitChar(QChar(0x2022));
        } else if (w == "lquote") {
            emitChar(QChar(0x2018));
        } else if (w == "rquote") {
            emitChar(QChar(0x2019));
        } else if (w == "ldblquote") {
            emitChar(QChar(0x201C));
        } else if (w == "rdblquote") {
            emitChar(QChar(0x201D));
        }
        // Anything else changes nothing we show.
    }

    const std::string& in_;
    size_t pos_ = 0;
    std::vector<GroupState> stack_;
    size_t overflow_ = 0;
    bool pendingDestination_ = false;
    int skipCount_ = 0;
    QChar pendingHigh_;
    RichText text_;
};

RichText plainTextDocument(const std::string& bytes)
{
    QString all = QString::fromUtf8(bytes);
    if (all.contains(QChar(0xFFFD))) {
        all.clear();
        for (unsigned char c : bytes)
            all += fromCp1252(c);
    }
    all.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    RichText text;
    for (const QString& line : all.split(QLatin1Char('\n'))) {
        RichParagraph p;
        if (!line.isEmpty()) {
            RichRun run;
            run.text = line;
            p.runs.push_back(run);
        }
        text.paragraphs.push_back(std::move(p));
    }
    return text;
}

}  // namespace

QString RichParagraph::plainText() const
{
    QString s;
    for (const auto& r : runs)
        s += r.text;
    return s;
}

QString RichText::plainText() const
{
    QStringList lines;
    for (const auto& p : paragraphs)
        lines << p.plainText();
    return lines.join(QLatin1Char('\n'));
}

RichText ParseRtf(const std::string& bytes)
{
    if (bytes.rfind("{\\rtf", 0) != 0)
        return plainTextDocument(bytes);
    return RtfParser(bytes).run();
}

void FillDocument(const RichText& text, QTextDocument& document)
{
    document.clear();
    QTextCursor cursor(&document);
    bool first = true;
    for (const auto& p : text.paragraphs) {
        QTextBlockFormat block;
        block.setAlignment(p.align == RichAlign::Center  ? Qt::AlignHCenter
                           : p.align == RichAlign::Right ? Qt::AlignRight
                           : p.align == RichAlign::Justify ? Qt::AlignJustify
                                                           : Qt::AlignLeft);
        if (first)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block);
        first = false;
        for (const auto& r : p.runs) {
            QTextCharFormat format;
            format.setFontWeight(r.bold ? QFont::Bold : QFont::Normal);
            format.setFontItalic(r.italic);
            format.setFontUnderline(r.underline);
            format.setFontPointSize(r.halfPoints / 2.0);
            cursor.insertText(r.text, format);
        }
    }
}

void LoadRichTextFile(const std::string& path, QTextDocument& document)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int error = errno;
        const std::string reason = error == ENOENT   ? "Le fichier spécifié est introuvable."
                                   : error == EACCES ? "Accès refusé."
                                                     : std::strerror(error);
        throw FileOpenError("Impossible d'ouvrir le fichier \"" + path + "\". " + reason);
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    FillDocument(ParseRtf(bytes), document);
}

}  // namespace platform
