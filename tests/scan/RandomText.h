#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// Seeded random pages and markers over small alphabets, so that markers
// match often, overlap, and stand at the page's end.
class RandomText
{
public:
    explicit RandomText(quint32 seed) : m_gen(seed) {}

    int number(int lowest, int highest) { return m_gen.bounded(lowest, highest + 1); }
    bool chance(int percent) { return m_gen.bounded(100) < percent; }

    QString text(int length, QStringView alphabet)
    {
        QString s;
        s.reserve(length);
        for (int i = 0; i < length; ++i)
            s += alphabet[m_gen.bounded(int(alphabet.size()))];
        return s;
    }

    // Empty now and then, otherwise 1 to maxLength characters.
    QString marker(int maxLength, QStringView alphabet)
    {
        return chance(8) ? QString() : text(number(1, maxLength), alphabet);
    }

    // About `length` characters of alphabet with the given pieces dropped in.
    QString page(int length, QStringView alphabet, const QStringList& pieces, int piecePercent)
    {
        QString s;
        while (s.size() < length) {
            if (!pieces.isEmpty() && chance(piecePercent))
                s += pieces[m_gen.bounded(int(pieces.size()))];
            else
                s += alphabet[m_gen.bounded(int(alphabet.size()))];
        }
        return s;
    }

private:
    QRandomGenerator m_gen;
};
