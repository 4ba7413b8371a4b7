#include "options/RtfCodec.h"

#include <QStringDecoder>

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

// Code page 1252 for bytes 0x80..0x9F; the five bytes the code page leaves
// undefined map to the C1 control of the same value, as Windows does, so
// that every byte reads back as some character and every such character
// writes back as its byte.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t cp1252ToUnicode(uchar b)
{
    if (b >= 0x80 && b < 0xA0)
        return kCp1252High[b - 0x80];
    return b;
}

// The 1252 byte of a character, or -1 when the code page has none.
int unicodeToCp1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == c)
            return 0x80 + i;
    }
    return -1;
}

const char kHex[] = "0123456789abcdef";

} // namespace

QByteArray RtfCodec::write(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() + 128);
    out += "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 MS Sans Serif;}}\r\n"
           "\\viewkind4\\uc1\\pard\\lang1033\\f0\\fs17 ";
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        switch (c) {
        case '\\':
            out += "\\\\";
            continue;
        case '{':
            out += "\\{";
            continue;
        case '}':
            out += "\\}";
            continue;
        case '\t':
            out += "\\tab ";
            continue;
        case '\n':
            out += "\\par\r\n";
            continue;
        default:
            break;
        }
        if (c >= 0x20 && c < 0x7F) {
            out += char(c);
            continue;
        }
        const int b = unicodeToCp1252(c);
        if (b >= 0) {
            // Control characters (CR among them) too, so that they survive
            // a reader that drops raw CR and LF.
            out += "\\'";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        } else {
            out += "\\u";
            out += QByteArray::number(int(qint16(c)));
            out += '?';
        }
    }
    out += "\\par\r\n}\r\n";
    return out;
}

namespace {

enum class Kw
{
    Skip,         // destination that holds no text: the whole group goes
    Par,          // paragraph mark
    Char,         // a fixed character
    Unicode,      // \uN
    UcCount,      // \ucN
    Bin,          // \binN
    AnsiCpg,      // \ansicpgN
    CodePage,     // \ansi \mac \pc \pca: a fixed code page
    FontTable,    // \fonttbl: skipped, but its fonts' character sets are noted
    Font,         // \fN: defines a font in the font table, selects one elsewhere
    FontCharset,  // \fcharsetN
    FontCodePage, // \cpgN
    DefaultFont,  // \deffN
    Plain,        // \plain: back to the default font
};

struct KwInfo
{
    Kw kind;
    int value = 0;
};

const std::unordered_map<std::string_view, KwInfo>& keywords()
{
    static const std::unordered_map<std::string_view, KwInfo> table = {
        // Destinations whose contents are not part of the plain text.
        {"fonttbl", {Kw::FontTable}},
        {"colortbl", {Kw::Skip}},
        {"stylesheet", {Kw::Skip}},
        {"info", {Kw::Skip}},
        {"pict", {Kw::Skip}},
        {"object", {Kw::Skip}},
        {"header", {Kw::Skip}},
        {"headerl", {Kw::Skip}},
        {"headerr", {Kw::Skip}},
        {"headerf", {Kw::Skip}},
        {"footer", {Kw::Skip}},
        {"footerl", {Kw::Skip}},
        {"footerr", {Kw::Skip}},
        {"footerf", {Kw::Skip}},
        {"footnote", {Kw::Skip}},
        {"fldinst", {Kw::Skip}},
        {"themedata", {Kw::Skip}},
        {"colorschememapping", {Kw::Skip}},
        {"latentstyles", {Kw::Skip}},
        {"datastore", {Kw::Skip}},
        {"listtable", {Kw::Skip}},
        {"listoverridetable", {Kw::Skip}},
        {"rsidtbl", {Kw::Skip}},
        {"generator", {Kw::Skip}},
        {"xmlnstbl", {Kw::Skip}},
        {"revtbl", {Kw::Skip}},
        {"filetbl", {Kw::Skip}},
        {"pntext", {Kw::Skip}},
        {"pntxta", {Kw::Skip}},
        {"pntxtb", {Kw::Skip}},
        {"listtext", {Kw::Skip}},
        {"xe", {Kw::Skip}},
        {"tc", {Kw::Skip}},
        {"txe", {Kw::Skip}},
        {"nonshppict", {Kw::Skip}},
        {"shpinst", {Kw::Skip}},
        {"shprslt", {Kw::Skip}},
        {"template", {Kw::Skip}},
        {"annotation", {Kw::Skip}},
        {"atnid", {Kw::Skip}},
        {"atnauthor", {Kw::Skip}},
        {"private", {Kw::Skip}},
        {"pgdsctbl", {Kw::Skip}},
        {"mmathPr", {Kw::Skip}},
        // Characters.
        {"par", {Kw::Par}},
        {"line", {Kw::Char, '\n'}},
        {"row", {Kw::Char, '\n'}},
        {"tab", {Kw::Char, '\t'}},
        {"cell", {Kw::Char, '\t'}},
        {"nestcell", {Kw::Char, '\t'}},
        {"emdash", {Kw::Char, 0x2014}},
        {"endash", {Kw::Char, 0x2013}},
        {"bullet", {Kw::Char, 0x2022}},
        {"lquote", {Kw::Char, 0x2018}},
        {"rquote", {Kw::Char, 0x2019}},
        {"ldblquote", {Kw::Char, 0x201C}},
        {"rdblquote", {Kw::Char, 0x201D}},
        {"enspace", {Kw::Char, 0x2002}},
        {"emspace", {Kw::Char, 0x2003}},
        {"qmspace", {Kw::Char, 0x2005}},
        {"zwj", {Kw::Char, 0x200D}},
        {"zwnj", {Kw::Char, 0x200C}},
        {"ltrmark", {Kw::Char, 0x200E}},
        {"rtlmark", {Kw::Char, 0x200F}},
        // Encoding.
        {"u", {Kw::Unicode}},
        {"uc", {Kw::UcCount}},
        {"bin", {Kw::Bin}},
        {"ansicpg", {Kw::AnsiCpg}},
        {"ansi", {Kw::CodePage, 1252}},
        {"mac", {Kw::CodePage, 10000}},
        {"pc", {Kw::CodePage, 437}},
        {"pca", {Kw::CodePage, 850}},
        {"f", {Kw::Font}},
        {"fcharset", {Kw::FontCharset}},
        {"cpg", {Kw::FontCodePage}},
        {"deff", {Kw::DefaultFont}},
        {"plain", {Kw::Plain}},
    };
    return table;
}

struct GroupState
{
    quint16 uc = 1;         // fallback characters that follow a \uN
    bool skip = false;      // inside a destination without text
    bool fontTable = false; // inside \fonttbl, where \fN defines a font
    qint32 font = -1;       // the font selected by \fN; -1: the default font
    bool operator==(const GroupState& o) const
    {
        return uc == o.uc && skip == o.skip && fontTable == o.fontTable && font == o.font;
    }
};

// The saved states of the enclosing groups, run-length encoded: a document
// nested a million deep in groups that change nothing costs one entry, and
// one that changes the state at every level costs 12 bytes a level.
class GroupStack
{
public:
    void push(const GroupState& s)
    {
        if (!m_runs.empty() && m_runs.back().first == s && m_runs.back().second < UINT32_MAX)
            ++m_runs.back().second;
        else
            m_runs.emplace_back(s, 1);
        ++m_depth;
    }
    // The state of the enclosing group; false when there is none.
    bool pop(GroupState& s)
    {
        if (m_runs.empty())
            return false;
        s = m_runs.back().first;
        if (--m_runs.back().second == 0)
            m_runs.pop_back();
        --m_depth;
        return true;
    }
    qint64 depth() const { return m_depth; }

private:
    std::vector<std::pair<GroupState, quint32>> m_runs;
    qint64 m_depth = 0;
};

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QByteArray decoderName(int codePage)
{
    switch (codePage) {
    case 10000:
        return "macintosh";
    case 65001:
        return "UTF-8";
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 437:
    case 850:
    case 852:
    case 866:
        return "IBM" + QByteArray::number(codePage);
    default:
        return "windows-" + QByteArray::number(codePage);
    }
}

// Older rich edit controls write \'hh bytes in the code page of the font's
// character set, whatever \ansicpg says. 0 for the ANSI, default and symbol
// sets, whose bytes follow the document's code page.
int charsetCodePage(qint64 charset)
{
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
    case 255:
        return 437;
    default:
        return 0;
    }
}

class Reader
{
public:
    explicit Reader(QByteArrayView in) : m_p(in.data()), m_end(in.data() + in.size())
    {
        m_out.reserve(qMin<qsizetype>(in.size(), 1 << 20));
    }

    std::optional<QString> run();

private:
    void setCodePage(int codePage);
    // Follows the font of the current group, else the document's code page.
    void updateCodePage();
    void controlWord();
    void controlSymbol();
    void textByte(uchar b);
    void put(char16_t c);
    void flushBytes();
    // A character that would be output; false when it is swallowed as
    // a \uN fallback or sits in a skipped destination.
    bool takeChar();

    const char* m_p;
    const char* m_end;
    QString m_out;
    GroupState m_state;
    GroupStack m_stack;
    int m_pendingSkip = 0;    // \uN fallback characters still to drop
    qsizetype m_lastPar = -1; // output size right after the latest \par
    int m_documentCodePage = 1252;
    int m_codePage = 1252;               // the code page asked for last
    QStringDecoder* m_decoder = nullptr; // null for 1252
    // Made once per code page: a document may switch fonts at every group.
    std::unordered_map<int, std::unique_ptr<QStringDecoder>> m_decoders;
    QByteArray m_bytes; // bytes waiting for m_decoder
    std::unordered_map<qint32, int> m_fontCodePages;
    qint32 m_defaultFont = -1;
    qint32 m_definedFont = -1; // the font table entry being read
};

void Reader::setCodePage(int codePage)
{
    if (codePage == m_codePage)
        return;
    flushBytes();
    m_codePage = codePage;
    m_decoder = nullptr;
    if (codePage == 1252 || codePage <= 0)
        return;
    auto& decoder = m_decoders[codePage];
    if (!decoder) {
        const QByteArray name = decoderName(codePage);
        decoder =
            std::make_unique<QStringDecoder>(name.constData(), QStringConverter::Flag::Stateless);
    }
    // A code page no converter knows keeps 1252: most bytes of the
    // single-byte code pages are then at least in the right range.
    if (decoder->isValid())
        m_decoder = decoder.get();
}

void Reader::updateCodePage()
{
    const qint32 font = m_state.font >= 0 ? m_state.font : m_defaultFont;
    const auto it = m_fontCodePages.find(font);
    setCodePage(it != m_fontCodePages.end() ? it->second : m_documentCodePage);
}

void Reader::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    m_out += QString(m_decoder->decode(m_bytes));
    m_bytes.clear();
}

void Reader::put(char16_t c)
{
    flushBytes();
    m_out += QChar(c);
}

bool Reader::takeChar()
{
    if (m_pendingSkip > 0) {
        --m_pendingSkip;
        return false;
    }
    return !m_state.skip;
}

void Reader::textByte(uchar b)
{
    if (!takeChar())
        return;
    if (m_decoder)
        m_bytes += char(b);
    else
        m_out += QChar(cp1252ToUnicode(b));
}

void Reader::controlSymbol()
{
    // m_p points just behind the backslash and before the symbol.
    const char c = *m_p++;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        textByte(uchar(c));
        return;
    case '\'': {
        const int hi = m_p < m_end ? hexValue(m_p[0]) : -1;
        const int lo = m_p + 1 < m_end ? hexValue(m_p[1]) : -1;
        if (hi < 0 || lo < 0) {
            // A broken escape stands for nothing; whatever follows is read
            // as ordinary input.
            takeChar();
            return;
        }
        m_p += 2;
        textByte(uchar(hi * 16 + lo));
        return;
    }
    case '~':
        if (takeChar())
            put(0x00A0);
        return;
    case '_':
        if (takeChar())
            put(0x2011);
        return;
    case '*':
        // An ignorable destination: this reader needs none of them.
        m_state.skip = true;
        return;
    case '\r':
    case '\n':
        // A backslash before a line end is an old way of writing \par.
        if (takeChar()) {
            put('\n');
            m_lastPar = m_out.size();
        }
        return;
    default:
        // \- (optional hyphen), \| and \: and unknown symbols carry no text.
        takeChar();
        return;
    }
}

void Reader::controlWord()
{
    // m_p points at the first letter.
    const char* nameStart = m_p;
    while (m_p < m_end && isLetter(*m_p))
        ++m_p;
    const std::string_view name(nameStart, size_t(m_p - nameStart));

    bool hasParam = false;
    qint64 param = 0;
    bool negative = false;
    if (m_p < m_end && *m_p == '-' && m_p + 1 < m_end && isDigit(m_p[1])) {
        negative = true;
        ++m_p;
    }
    while (m_p < m_end && isDigit(*m_p)) {
        hasParam = true;
        if (param <= INT_MAX)
            param = param * 10 + (*m_p - '0');
        ++m_p;
    }
    if (param > INT_MAX)
        param = INT_MAX;
    if (negative)
        param = -param;
    if (m_p < m_end && *m_p == ' ')
        ++m_p; // the delimiter belongs to the word

    const auto& table = keywords();
    const auto it = table.find(name);
    if (it == table.end()) {
        takeChar(); // counts as one fallback character; carries no text
        return;
    }
    const KwInfo& kw = it->second;
    switch (kw.kind) {
    case Kw::Skip:
        m_state.skip = true;
        return;
    case Kw::Par:
        if (takeChar()) {
            put('\n');
            m_lastPar = m_out.size();
        }
        return;
    case Kw::Char:
        if (takeChar())
            put(char16_t(kw.value));
        return;
    case Kw::Unicode: {
        if (!hasParam) {
            takeChar();
            return;
        }
        const bool out = takeChar();
        if (out)
            put(char16_t(param & 0xFFFF)); // negative N stands for N + 65536
        m_pendingSkip = m_state.uc;
        return;
    }
    case Kw::UcCount:
        // More than 65535 fallback characters for one \uN is nonsense; cap it.
        m_state.uc = hasParam ? quint16(qBound<qint64>(0, param, qint64(0xFFFF))) : 1;
        return;
    case Kw::Bin: {
        takeChar();
        const qint64 left = m_end - m_p;
        m_p += qBound<qint64>(0, param, left);
        return;
    }
    case Kw::AnsiCpg:
        if (!m_state.skip && hasParam) {
            m_documentCodePage = int(param);
            updateCodePage();
        }
        return;
    case Kw::CodePage:
        if (!m_state.skip) {
            m_documentCodePage = kw.value;
            updateCodePage();
        }
        return;
    case Kw::FontTable:
        m_state.skip = true;
        m_state.fontTable = true;
        return;
    case Kw::Font:
        if (m_state.fontTable) {
            m_definedFont = qint32(param);
        } else if (!m_state.skip) {
            m_state.font = qint32(param);
            updateCodePage();
        }
        return;
    case Kw::FontCharset:
        if (m_state.fontTable && m_definedFont >= 0) {
            if (const int codePage = charsetCodePage(param))
                m_fontCodePages.emplace(m_definedFont, codePage);
        }
        return;
    case Kw::FontCodePage:
        if (m_state.fontTable && m_definedFont >= 0 && param > 0)
            m_fontCodePages[m_definedFont] = int(param);
        return;
    case Kw::DefaultFont:
        if (!m_state.skip) {
            m_defaultFont = qint32(param);
            updateCodePage();
        }
        return;
    case Kw::Plain:
        if (!m_state.skip) {
            m_state.font = -1;
            updateCodePage();
        }
        return;
    }
}

std::optional<QString> Reader::run()
{
    // A byte order mark, as editors that save "UTF-8" put in front.
    if (m_end - m_p >= 3 && std::string_view(m_p, 3) == "\xEF\xBB\xBF")
        m_p += 3;
    while (m_p < m_end && (*m_p == ' ' || *m_p == '\r' || *m_p == '\n' || *m_p == '\t'))
        ++m_p;
    if (m_end - m_p < 5 || std::string_view(m_p, 5) != "{\\rtf")
        return std::nullopt;

    bool closed = false;
    while (m_p < m_end) {
        const char c = *m_p++;
        switch (c) {
        case '{':
            m_pendingSkip = 0;
            m_stack.push(m_state);
            break;
        case '}':
            m_pendingSkip = 0;
            if (!m_stack.pop(m_state) || m_stack.depth() == 0) {
                closed = true;
                m_p = m_end; // the document is closed; the rest is not part of it
            } else {
                updateCodePage();
            }
            break;
        case '\\':
            if (m_p >= m_end)
                break;
            if (isLetter(*m_p))
                controlWord();
            else
                controlSymbol();
            break;
        case '\r':
        case '\n':
        case '\0':
            break;
        default:
            textByte(uchar(c));
            break;
        }
    }
    // A document cut off before its outer group closes is damaged: what is
    // left of it may be any part of the text.
    if (!closed)
        return std::nullopt;
    flushBytes();
    if (m_lastPar == m_out.size() && m_lastPar > 0)
        m_out.chop(1);
    return std::move(m_out);
}

} // namespace

std::optional<QString> RtfCodec::read(QByteArrayView rtf)
{
    return Reader(rtf).run();
}
