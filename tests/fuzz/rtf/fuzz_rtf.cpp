// Any bytes as a rich-text file: something readable comes out, never a crash or a hang.

#include "platform/rich_text.h"

#include <QTextDocument>

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const platform::RichText text = platform::ParseRtf(bytes);
    QTextDocument document;
    platform::FillDocument(text, document);
    return 0;
}
