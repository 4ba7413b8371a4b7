#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Everything the demo site sells, fixed in code so every run serves the same
// pages (only the visit counters move).

enum class CounterStyle
{
    Basic,       // digits right after the counter's opening tag
    Retro,       // digits right before a closing tag
    DashesFirst, // Basic, but shows "--" for the first two fetches
    None         // no counter on the page
};

struct Item
{
    QString number;
    QString title;
    QString seller;
    QString bids; // ignored for fixed-price listings
    QString startPrice;
    QString buyNowPrice;
    QString timeLeft;
    bool endingSoon = false; // time left shown in a red span
    bool fixedPrice = false; // bids column shows the Buy It Now icon
    bool sold = false;
    int seed = 0; // visits before the site started
    CounterStyle counter = CounterStyle::Basic;
};

// How a listing page is drawn. NewLook: item links read "/itm/N", so the
// old auction-number marker finds nothing. Restyled: each row names its
// item in an id and its title in a heading, so neither the auction-number
// nor the title marker fits.
enum class Look
{
    Classic,
    NewLook,
    Restyled,
};

struct Seller
{
    QString id;
    int feedback = 0;
    QString positive;
    QString location;
    QString memberSince;
    QStringList rows; // item numbers in page order; a number may repeat
    Look look = Look::Classic;
};

struct SoldRow
{
    QString itemNumber;
    QString transaction;
    QString quantity;
    QString price;
    QString shipping;
    QString date;
    QString buyer;
};

class Catalogue
{
public:
    static const Catalogue& instance();

    const Seller* seller(const QString& id) const; // case-insensitive, like the real site
    const Item* item(const QString& number) const;

    const QList<Seller>& sellers() const { return m_sellers; }
    const QList<SoldRow>& soldRows() const { return m_sold; }

    // The account that signs in to see the sold items of soldBy().
    static QString accountUser() { return QStringLiteral("demo"); }
    static QString accountPassword() { return QStringLiteral("demo"); }
    static QString soldBy() { return QStringLiteral("demoseller"); }

private:
    Catalogue();
    Seller& addSeller(const QString& id, int feedback, const QString& positive,
                      const QString& location, const QString& since);
    Item& addItem(Seller& seller, const Item& item);
    void addGenerated(Seller& seller, qint64 firstNumber, const QStringList& titles,
                      int firstMinutes);

    QList<Seller> m_sellers;
    QList<SoldRow> m_sold;
    QHash<QString, Item> m_items;
};
