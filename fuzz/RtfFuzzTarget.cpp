// libFuzzer entry point for the RTF reader. Also linked into the corpus
// replay program, so the saved corpus runs with the ordinary tests.
#include "options/RtfCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto text = RtfCodec::read(bytes)) {
        // Whatever the reader makes of a document, the writer must be able
        // to store so that it reads back unchanged.
        const auto again = RtfCodec::read(RtfCodec::write(*text));
        if (!again || *again != *text)
            std::abort();
    }
    // The same bytes taken as UTF-16 text must survive a round trip too.
    const QString text(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));
    const auto back = RtfCodec::read(RtfCodec::write(text));
    if (!back || *back != text)
        std::abort();
    return 0;
}
