#pragma once
// The rich-text control's file reading: a small RTF reader (paragraphs, bold, italic,
// underline, font sizes, alignment, code page 1252 and Unicode escapes), whose result
// fills a QTextDocument. A damaged file gives what could be read; text that is not RTF
// is taken as plain text, as the control does.

#include <QString>

#include <stdexcept>
#include <string>
#include <vector>

class QTextDocument;

namespace platform {

struct RichRun {
    QString text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;  // \fs: font size in half points

    bool sameFormat(const RichRun& o) const
    {
        return bold == o.bold && italic == o.italic && underline == o.underline && halfPoints == o.halfPoints;
    }
};

enum class RichAlign { Left, Center, Right, Justify };

struct RichParagraph {
    RichAlign align = RichAlign::Left;
    std::vector<RichRun> runs;
    QString plainText() const;
};

struct RichText {
    std::vector<RichParagraph> paragraphs;
    QString plainText() const;  // paragraphs joined by '\n'
};

RichText ParseRtf(const std::string& bytes);

// A file that cannot be opened; the message is the one the window framework reports.
class FileOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the file and fills the document; throws FileOpenError.
void LoadRichTextFile(const std::string& path, QTextDocument& document);
void FillDocument(const RichText& text, QTextDocument& document);

}  // namespace platform
