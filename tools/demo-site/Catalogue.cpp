#include "Catalogue.h"

namespace {

QString money(int dollars, int cents)
{
    return QStringLiteral("$%1.%2").arg(dollars).arg(cents, 2, 10, QLatin1Char('0'));
}

QString timeLeft(int minutes)
{
    return QStringLiteral("%1d %2h %3m")
        .arg(minutes / 1440)
        .arg(minutes / 60 % 24, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

struct DemoRow
{
    const char* number;
    const char* title;
    const char* bids;
    const char* start;
    const char* buyNow;
    const char* timeLeft;
    int seed;
    CounterStyle counter;
};

// The seller a newcomer types first; README.md lists what a scan reads here.
const DemoRow demoRows[] = {
    {"110042318817", "Vintage Brass Pocket Compass with Hinged Lid", "7", "$12.50", "$29.00",
     "0d 01h 14m", 143, CounterStyle::Basic},
    {"110042319254", "Set of 6 Depression Glass Dessert Plates Pink", "3", "$18.00", "$35.00",
     "0d 05h 42m", 88, CounterStyle::Retro},
    {"110042320196", "Hohner Marine Band Harmonica Key of C Boxed", "12", "$9.99", "$27.50",
     "0d 11h 03m", 231, CounterStyle::Basic},
    {"110042321033", "Cast Iron Skillet No 8 Restored and Seasoned", "5", "$15.00", "$39.99",
     "0d 19h 57m", 64, CounterStyle::Basic},
    {"110042321478", "Antique Wooden Spool Thread Cabinet 4 Drawers", "21", "$45.00", "$120.00",
     "1d 02h 26m", 412, CounterStyle::Retro},
    {"110042322390", "Lot of 25 Mixed Sterling Silver Spoons", "9", "$60.00", "$150.00",
     "1d 08h 11m", 377, CounterStyle::Basic},
    {"110042322815", "Kodak Brownie Hawkeye Flash Camera Working", "4", "$11.00", "$25.00",
     "1d 14h 49m", 156, CounterStyle::Basic},
    {"110042323702", "Pyrex Butterprint Mixing Bowl 403 Turquoise", "6", "$14.50", "$32.00",
     "1d 21h 30m", 97, CounterStyle::Retro},
    {"110042324166", "Royal Albert Old Country Roses Teacup Saucer", "2", "$8.00", "$19.95",
     "2d 03h 05m", 45, CounterStyle::Basic},
    {"110042325021", "Mid Century Teak Wall Clock Battery Movement", "0", "$24.00", "$55.00",
     "2d 09h 38m", 23, CounterStyle::Basic},
    {"110042325497", "Set of 4 Enamel Camping Mugs Speckled Blue", "1", "$7.50", "$16.00",
     "2d 16h 20m", 31, CounterStyle::Retro},
    {"110042326358", "Original 1978 Star Wars Action Figure Loose", "15", "$20.00", "$65.00",
     "2d 22h 52m", 286, CounterStyle::Basic},
    {"110042326904", "Hand Carved Wooden Duck Decoy Signed", "3", "$30.00", "$75.00", "3d 04h 17m",
     72, CounterStyle::Basic},
    {"110042327740", "Singer Featherweight 221 Bobbin Case Genuine", "8", "$12.00", "$28.00",
     "3d 10h 44m", 139, CounterStyle::Retro},
    {"110042328219", "Lionel O Gauge Caboose 6257 Red", "4", "$10.00", "$24.50", "3d 17h 09m", 58,
     CounterStyle::Basic},
    {"110042329083", "Brass Ship Bell with Bracket 6 Inch", "11", "$22.00", "$48.00", "3d 23h 35m",
     204, CounterStyle::Basic},
    {"110042329615", "Art Deco Chrome Cocktail Shaker 1930s", "6", "$35.00", "$85.00", "4d 06h 02m",
     118, CounterStyle::Retro},
    {"110042330472", "Fisher Price Little People Farm Barn 1967", "2", "$16.00", "$36.00",
     "4d 12h 28m", 41, CounterStyle::Basic},
    {"110042331198", "Tin Litho Wind Up Robot Made in Japan", "18", "$40.00", "$110.00",
     "4d 18h 55m", 325, CounterStyle::Basic},
    {"110042331963", "Crewel Embroidery Kit Unopened 1970s Owls", "0", "$6.00", "$14.00",
     "5d 01h 21m", 12, CounterStyle::Retro},
};

struct SoldItemRow
{
    const char* number;
    const char* title;
    int seed;
    CounterStyle counter;
};

const SoldItemRow soldItems[] = {
    {"110039812245", "Victorian Silver Plated Napkin Rings Set of 4", 167, CounterStyle::Basic},
    {"110039812907", "Bing and Grondahl Christmas Plate 1962", 54, CounterStyle::Retro},
    {"110039813366", "Meccano Magazine Bundle 1958 Twelve Issues", 212, CounterStyle::Basic},
    {"110039814012", "Guinness Toucan Advertising Ashtray", 389, CounterStyle::Basic},
    {"110039814580", "Parker 51 Fountain Pen Burgundy", 501, CounterStyle::Retro},
    {"110039815233", "Wade Whimsies Hedgehog Figure", 76, CounterStyle::Basic},
    {"110039815894", "Swiss Army Knife Victorinox Huntsman", 133, CounterStyle::Basic},
    {"110039816451", "Royal Doulton Bunnykins Mug", 48, CounterStyle::Retro},
    {"110039817020", "Ordnance Survey One Inch Map Lake District", 29, CounterStyle::Basic},
    {"110039817688", "Brass Door Knocker Lion Head", 95, CounterStyle::Basic},
    {"110039818235", "Tala Icing Set in Original Box", 61, CounterStyle::Retro},
};

struct SoldLine
{
    const char* number;
    const char* transaction;
    const char* quantity;
    const char* price;
    const char* shipping;
    const char* date;
    const char* buyer;
};

// Newest first, as My eBay lists them. The hedgehog sold twice from one
// multi-quantity listing, so its number stands on two rows in a row.
const SoldLine soldLines[] = {
    {"110039818235", "2750113", "1", "$18.50", "$4.00", "Mar-14-2024", "bakewell_betty (88)"},
    {"110039817688", "2749870", "1", "$26.00", "$6.50", "Mar-13-2024", "doorway_dan (341)"},
    {"110039817020", "2749522", "1", "$7.25", "$2.50", "Mar-12-2024", "fellwalker (19)"},
    {"110039816451", "2749004", "1", "$12.00", "$4.00", "Mar-11-2024", "rabbit_hole (1207)"},
    {"110039815894", "2748731", "1", "$31.00", "$3.50", "Mar-10-2024", "outdoors_olly (56)"},
    {"110039815233", "2748215", "2", "$9.00", "$3.00", "Mar-09-2024", "whimsy_collects (402)"},
    {"110039815233", "2748190", "1", "$4.50", "$2.00", "Mar-09-2024", "tinytreasures (23)"},
    {"110039814580", "2747655", "1", "$48.00", "$4.50", "Mar-07-2024", "inkwell_ian (77)"},
    {"110039814012", "2747120", "1", "$22.00", "$5.00", "Mar-06-2024", "pubsign_pete (615)"},
    {"110039813366", "2746709", "1", "$15.50", "$4.00", "Mar-04-2024", "gearhead_geo (98)"},
    {"110039812907", "2746388", "1", "$11.00", "$5.50", "Mar-03-2024", "nordic_nina (154)"},
    {"110039812245", "2746012", "1", "$19.99", "$3.50", "Mar-02-2024", "penny_lane77 (212)"},
};

} // namespace

const Catalogue& Catalogue::instance()
{
    static const Catalogue catalogue;
    return catalogue;
}

const Seller* Catalogue::seller(const QString& id) const
{
    for (const Seller& s : m_sellers) {
        if (s.id.compare(id, Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

const Item* Catalogue::item(const QString& number) const
{
    const auto it = m_items.constFind(number);
    return it == m_items.constEnd() ? nullptr : &it.value();
}

Seller& Catalogue::addSeller(const QString& id, int feedback, const QString& positive,
                             const QString& location, const QString& since)
{
    Seller s;
    s.id = id;
    s.feedback = feedback;
    s.positive = positive;
    s.location = location;
    s.memberSince = since;
    m_sellers.append(s);
    return m_sellers.last();
}

Item& Catalogue::addItem(Seller& seller, const Item& item)
{
    Item& stored = m_items[item.number];
    stored = item;
    stored.seller = seller.id;
    if (!item.sold)
        seller.rows.append(item.number);
    return stored;
}

// Sellers other than the demo seller only need plausible rows; prices, bids,
// times and counters follow from the row index.
void Catalogue::addGenerated(Seller& seller, qint64 firstNumber, const QStringList& titles,
                             int firstMinutes)
{
    int minutes = firstMinutes;
    for (int i = 0; i < titles.size(); ++i) {
        Item item;
        item.number = QString::number(firstNumber + i * 613 + (i * i * 37) % 211);
        item.title = titles.at(i);
        item.bids = QString::number((i * 7 + 3) % 19);
        const int dollars = 5 + (i * 13) % 40;
        const int cents = QList<int>{0, 50, 99, 25}.at(i % 4);
        item.startPrice = money(dollars, cents);
        item.buyNowPrice = money(dollars * 2 + 4, 0);
        item.timeLeft = timeLeft(minutes);
        minutes += 397 + (i % 5) * 41;
        item.seed = 15 + (i * 149 + int(firstNumber % 97)) % 600;
        item.counter = i % 3 == 1 ? CounterStyle::Retro : CounterStyle::Basic;
        addItem(seller, item);
    }
}

Catalogue::Catalogue()
{
    m_sellers.reserve(8); // addSeller hands out references into the list
    Seller& demo = addSeller(QStringLiteral("demoseller"), 1482, QStringLiteral("99.6%"),
                             QStringLiteral("Leeds, United Kingdom"), QStringLiteral("Apr-11-01"));
    for (const DemoRow& row : demoRows) {
        Item item;
        item.number = QLatin1String(row.number);
        item.title = QLatin1String(row.title);
        item.bids = QLatin1String(row.bids);
        item.startPrice = QLatin1String(row.start);
        item.buyNowPrice = QLatin1String(row.buyNow);
        item.timeLeft = QLatin1String(row.timeLeft);
        item.seed = row.seed;
        item.counter = row.counter;
        addItem(demo, item);
    }
    for (const SoldItemRow& row : soldItems) {
        Item item;
        item.number = QLatin1String(row.number);
        item.title = QLatin1String(row.title);
        item.sold = true;
        item.seed = row.seed;
        item.counter = row.counter;
        item.timeLeft = QStringLiteral("Ended");
        addItem(demo, item);
    }
    for (const SoldLine& line : soldLines) {
        m_sold.append({QLatin1String(line.number), QLatin1String(line.transaction),
                       QLatin1String(line.quantity), QLatin1String(line.price),
                       QLatin1String(line.shipping), QLatin1String(line.date),
                       QLatin1String(line.buyer)});
        Item& item = m_items[QLatin1String(line.number)];
        if (item.startPrice.isEmpty())
            item.startPrice = QLatin1String(line.price);
    }

    // More than a scan can take: only the first 20 of 26 rows are read.
    Seller& big = addSeller(QStringLiteral("bigattic"), 3310, QStringLiteral("99.1%"),
                            QStringLiteral("York, United Kingdom"), QStringLiteral("Jan-05-99"));
    addGenerated(big, 110051300112,
                 {QStringLiteral("Oak Barley Twist Side Table Needs TLC"),
                  QStringLiteral("Box of 40 Vintage Postcards Seaside Towns"),
                  QStringLiteral("Enamel Advertising Sign Ovaltine Small"),
                  QStringLiteral("Copper Kettle with Brass Handle"),
                  QStringLiteral("Pair of Staffordshire Dogs Mantel Figures"),
                  QStringLiteral("Singer 99K Hand Crank Sewing Machine"),
                  QStringLiteral("Bakelite Radio Cabinet Brown Spares"),
                  QStringLiteral("Collection of 12 Glass Ink Wells"),
                  QStringLiteral("Leather Gladstone Bag Brass Fittings"),
                  QStringLiteral("Vintage Meccano Set No 5 in Box"),
                  QStringLiteral("Carnival Glass Fruit Bowl Marigold"),
                  QStringLiteral("Bundle of Old Maps Ordnance Survey"),
                  QStringLiteral("Pewter Tankard Glass Bottom Engraved"),
                  QStringLiteral("Wooden Toolbox with Antique Planes"),
                  QStringLiteral("Set of 3 Graduated Stoneware Jugs"),
                  QStringLiteral("Edwardian Hat Box with Label"),
                  QStringLiteral("Tinplate Clockwork Train Set Hornby"),
                  QStringLiteral("Embroidered Linen Tablecloth Large"),
                  QStringLiteral("Brass Carriage Clock with Key"),
                  QStringLiteral("Crate of 30 Old Beer Bottles"),
                  QStringLiteral("Victorian Writing Slope Walnut"),
                  QStringLiteral("Cut Glass Decanter with Stopper"),
                  QStringLiteral("Toby Jug Collection of Five"),
                  QStringLiteral("Pressed Flower Album 1920s"),
                  QStringLiteral("Miners Lamp Brass Protector Type"),
                  QStringLiteral("Biscuit Tin Huntley and Palmers")},
                 52);

    // The fourth listing is shown twice in a row (it is featured), so the
    // page has 9 rows but 8 different numbers.
    Seller& twice =
        addSeller(QStringLiteral("doubleup"), 264, QStringLiteral("100%"),
                  QStringLiteral("Bristol, United Kingdom"), QStringLiteral("Sep-23-03"));
    addGenerated(twice, 110047720450,
                 {QStringLiteral("Lego Technic 8860 Car Chassis Complete"),
                  QStringLiteral("Matchbox Lesney Die Cast Lot of 10"),
                  QStringLiteral("Corgi James Bond Aston Martin DB5"),
                  QStringLiteral("Hornby Dublo Locomotive Boxed"),
                  QStringLiteral("Dinky Toys Fire Engine 955"),
                  QStringLiteral("Britains Lead Farm Animals Lot"),
                  QStringLiteral("Subbuteo Team Boxed 1970s"),
                  QStringLiteral("Scalextric C57 Aston Martin Car")},
                 95);
    twice.rows.insert(4, twice.rows.at(3));

    // Fewer than 20 listings; one counter starts as "--", one page has none.
    Seller& small = addSeller(QStringLiteral("smallshop"), 37, QStringLiteral("100%"),
                              QStringLiteral("Truro, United Kingdom"), QStringLiteral("Feb-02-04"));
    addGenerated(small, 110049915007,
                 {QStringLiteral("Hand Knitted Tea Cosy Striped Wool"),
                  QStringLiteral("Jar of 200 Assorted Vintage Buttons"),
                  QStringLiteral("Crochet Granny Square Blanket Large"),
                  QStringLiteral("Wooden Darning Mushroom Pair"),
                  QStringLiteral("Sewing Box Wicker with Tray"),
                  QStringLiteral("Linen Tea Towels Set of 3 Printed"),
                  QStringLiteral("Knitting Pattern Bundle 1950s 20 Leaflets")},
                 180);
    m_items[small.rows.at(2)].counter = CounterStyle::DashesFirst;
    m_items[small.rows.at(4)].counter = CounterStyle::None;

    // Listings ending within the hour have their time left in a red span.
    Seller& soon = addSeller(QStringLiteral("lastcall"), 812, QStringLiteral("98.9%"),
                             QStringLiteral("Bath, United Kingdom"), QStringLiteral("Jun-30-02"));
    addGenerated(soon, 110046610233,
                 {QStringLiteral("Silver Charm Bracelet 14 Charms"),
                  QStringLiteral("Marcasite Brooch Bow Design"),
                  QStringLiteral("Amber Bead Necklace Graduated"),
                  QStringLiteral("Gold Tone Compact Mirror Stratton"),
                  QStringLiteral("Jet Mourning Earrings Victorian"),
                  QStringLiteral("Paste Stone Dress Clip Pair")},
                 75);
    const QString soonTimes[] = {QStringLiteral("08m"), QStringLiteral("47m")};
    for (int i = 0; i < 2; ++i) {
        Item& item = m_items[soon.rows.at(i)];
        item.timeLeft = soonTimes[i];
        item.endingSoon = true;
    }

    // Fixed-price listings show the Buy It Now icon instead of a bid count.
    Seller& shop =
        addSeller(QStringLiteral("shopfront"), 2051, QStringLiteral("99.8%"),
                  QStringLiteral("Norwich, United Kingdom"), QStringLiteral("Nov-17-00"));
    addGenerated(
        shop, 110048830561,
        {QStringLiteral("Beeswax Candle Hand Rolled Pair"),
         QStringLiteral("Organic Lavender Soap Bar Large"),
         QStringLiteral("Linen Shopping Bag Natural"),
         QStringLiteral("Enamel Pin Badge Bee Design"), QStringLiteral("Hand Thrown Stoneware Mug"),
         QStringLiteral("Cotton Bandana Paisley Red"),
         QStringLiteral("Letterpress Greeting Cards Set of 6"),
         QStringLiteral("Brass Key Ring Anchor"), QStringLiteral("Wooden Spoon Set Cherry Wood")},
        300);
    for (int i : {0, 2, 5}) {
        Item& item = m_items[shop.rows.at(i)];
        item.fixedPrice = true;
        item.startPrice = item.buyNowPrice;
    }

    // As if the site had been redesigned: the same rows, new item links.
    Seller& fresh = addSeller(QStringLiteral("newlook"), 640, QStringLiteral("99.9%"),
                              QStringLiteral("York, United Kingdom"), QStringLiteral("Mar-03-05"));
    fresh.look = Look::NewLook;
    addGenerated(fresh, 110045530117,
                 {QStringLiteral("Art Deco Chrome Table Lamp"),
                  QStringLiteral("Bakelite Radio Walnut Case"),
                  QStringLiteral("Carnival Glass Bowl Marigold"),
                  QStringLiteral("Pressed Glass Cake Stand Clear")},
                 140);

    // A seller with nothing for sale: the page loads, and no row is on it.
    addSeller(QStringLiteral("emptyshelf"), 12, QStringLiteral("100%"),
              QStringLiteral("Hull, United Kingdom"), QStringLiteral("Sep-09-09"));
}
