#include "options/NumberText.h"

#include <QLocale>

#include <cfloat>
#include <cmath>
#include <limits>

namespace {

bool isRemovedBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

int digitValue(char16_t c, int base)
{
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

// Walks a text as if its blanks, tabs and line feeds were not there.
class BlankSkipper
{
public:
    explicit BlankSkipper(QStringView text) : m_text(text) {}
    char16_t peek()
    {
        while (m_pos < m_text.size() && isRemovedBlank(m_text[m_pos]))
            ++m_pos;
        return m_pos < m_text.size() ? m_text[m_pos].unicode() : u'\0';
    }
    void next() { ++m_pos; }
    qsizetype pos() const { return m_pos; }
    void rewind(qsizetype pos) { m_pos = pos; }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

bool isDigit(char16_t c)
{
    return c >= '0' && c <= '9';
}

// The magnitude of a value rounded to `decimals` places, half away from zero,
// on its 15-significant-digit decimal form (so 1.005 is 1.01, as people
// reading the decimal expect). Whole part without leading zeros, empty for
// zero; fraction exactly `decimals` digits.
struct DecimalParts
{
    QString whole;
    QString fraction;
    bool isZero() const
    {
        if (!whole.isEmpty())
            return false;
        for (QChar c : fraction) {
            if (c != u'0')
                return false;
        }
        return true;
    }
};

DecimalParts roundDecimal(double magnitude, int decimals)
{
    const QString e = QString::number(magnitude, 'e', 14); // d.dddddddddddddde+XX
    const qsizetype ePos = e.indexOf(u'e');
    const QString digits = e.left(1) + e.mid(2, ePos - 2);
    const int pointPos = e.mid(ePos + 1).toInt() + 1; // digits before the point

    QString whole;
    QString fraction;
    if (pointPos >= digits.size()) {
        whole = digits + QString(pointPos - digits.size(), u'0');
    } else if (pointPos > 0) {
        whole = digits.left(pointPos);
        fraction = digits.mid(pointPos);
    } else {
        fraction = QString(-pointPos, u'0') + digits;
    }

    const bool roundUp = fraction.size() > decimals && fraction[decimals] >= u'5';
    fraction.truncate(decimals);
    fraction += QString(decimals - fraction.size(), u'0');
    if (roundUp) {
        QString all = whole + fraction;
        qsizetype i = all.size() - 1;
        for (; i >= 0; --i) {
            if (all[i] == u'9') {
                all[i] = u'0';
            } else {
                all[i] = QChar(all[i].unicode() + 1);
                break;
            }
        }
        if (i < 0)
            all.prepend(u'1');
        whole = all.left(all.size() - decimals);
        fraction = all.right(decimals);
    }
    qsizetype lead = 0;
    while (lead < whole.size() && whole[lead] == u'0')
        ++lead;
    whole.remove(0, lead);
    return {whole, fraction};
}

} // namespace

double leadingNumberValue(QStringView text)
{
    BlankSkipper in(text);

    if (in.peek() == u'&') {
        in.next();
        const char16_t kind = in.peek();
        const int base = (kind == u'H' || kind == u'h')   ? 16
                         : (kind == u'O' || kind == u'o') ? 8
                                                          : 0;
        if (base == 0)
            return 0;
        in.next();
        double value = 0;
        for (int d; (d = digitValue(in.peek(), base)) >= 0; in.next())
            value = value * base + d;
        return std::isinf(value) ? DBL_MAX : value;
    }

    QString number;
    const char16_t sign = in.peek();
    if (sign == u'+' || sign == u'-') {
        number += QChar(sign);
        in.next();
    }
    bool anyDigit = false;
    for (; isDigit(in.peek()); in.next()) {
        number += QChar(in.peek());
        anyDigit = true;
    }
    if (in.peek() == u'.') {
        in.next();
        QString fraction;
        for (; isDigit(in.peek()); in.next())
            fraction += QChar(in.peek());
        if (!fraction.isEmpty()) {
            number += (anyDigit ? QStringLiteral(".") : QStringLiteral("0.")) + fraction;
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;

    const char16_t e = in.peek();
    if (e == u'E' || e == u'e') {
        const qsizetype before = in.pos();
        in.next();
        QString exponent = QStringLiteral("e");
        const char16_t expSign = in.peek();
        if (expSign == u'+' || expSign == u'-') {
            exponent += QChar(expSign);
            in.next();
        }
        bool expDigit = false;
        for (; isDigit(in.peek()); in.next()) {
            exponent += QChar(in.peek());
            expDigit = true;
        }
        if (expDigit)
            number += exponent;
        else
            in.rewind(before);
    }

    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    if (std::isinf(value))
        return std::copysign(DBL_MAX, value);
    if (!ok)
        return 0; // only an exponent far below the smallest double gets here
    return value;
}

qint64 roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    // 2^63 is exactly representable; everything from there on saturates.
    if (value >= 9223372036854775808.0)
        return std::numeric_limits<qint64>::max();
    if (value < -9223372036854775808.0)
        return std::numeric_limits<qint64>::min();
    const double floor = std::floor(value);
    const double diff = value - floor;
    double rounded = floor;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0))
        rounded = floor + 1.0;
    if (rounded >= 9223372036854775808.0)
        return std::numeric_limits<qint64>::max();
    return qint64(rounded);
}

std::optional<qint16> roundToInt16(double value)
{
    if (std::isnan(value))
        return std::nullopt;
    const qint64 r = roundHalfEven(value);
    if (r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(r);
}

QString plainDecimalText(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // also for -0
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

QString formatPattern_00(double value)
{
    if (!std::isfinite(value))
        return plainDecimalText(value);
    const DecimalParts parts = roundDecimal(std::fabs(value), 2);
    const bool negative = value < 0 && !parts.isZero();
    return (negative ? QStringLiteral("-") : QString()) + parts.whole + u'.' + parts.fraction;
}

QString formatGroupedPattern(double value)
{
    if (!std::isfinite(value))
        return plainDecimalText(value);
    const DecimalParts parts = roundDecimal(std::fabs(value), 2);
    if (parts.isZero())
        return QStringLiteral("0");
    QString fraction = parts.fraction;
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    QString grouped;
    const qsizetype n = parts.whole.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            grouped += u',';
        grouped += parts.whole[i];
    }
    QString result = value < 0 ? QStringLiteral("-") : QString();
    result += grouped;
    if (!fraction.isEmpty())
        result += u'.' + fraction;
    return result;
}
