#include "Pages.h"

#include "Catalogue.h"

namespace {

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

QString head(const QString& title, bool signedIn)
{
    QString html =
        QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
                       "<html>\n<head>\n"
                       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n");
    html += QStringLiteral("<title>") + esc(title) +
            QStringLiteral(" - Quillmere Demo Auctions</title>\n");
    html += QStringLiteral(
        "<style type=\"text/css\">\n"
        "body { font-family: Verdana, Arial, sans-serif; font-size: 13px; margin: 0; color: #222; "
        "background: #fff; }\n"
        "#top { background: #1f3a68; color: #fff; padding: 8px 16px; }\n"
        "#top a { color: #fff; margin-right: 14px; text-decoration: none; }\n"
        "#top .brand { font-size: 20px; font-weight: bold; margin-right: 30px; }\n"
        "#main { padding: 12px 16px; }\n"
        "table.list { border-collapse: collapse; width: 100%; }\n"
        "table.list th { background: #e8eef7; text-align: left; padding: 4px 6px; "
        "border-bottom: 1px solid #9fb3d1; }\n"
        "table.list td { padding: 6px; border-bottom: 1px solid #dde4ee; vertical-align: top; }\n"
        "tr.alt td { background: #f7f9fc; }\n"
        ".sub { color: #666; font-size: 11px; }\n"
        ".soon { color: #c00; font-weight: bold; }\n"
        ".error { color: #c00; font-weight: bold; }\n"
        ".box { border: 1px solid #c8d3e6; background: #f4f7fb; padding: 8px 12px; "
        "margin-bottom: 12px; }\n"
        ".counter, .odometer { font-family: monospace; background: #222; color: #7f7; "
        "padding: 1px 4px; }\n"
        "#foot { border-top: 1px solid #ccc; margin-top: 24px; padding: 10px 16px; color: #777; "
        "font-size: 11px; }\n"
        "</style>\n</head>\n<body>\n"
        "<div id=\"top\"><span class=\"brand\">Quillmere Demo Auctions</span>\n"
        "<a href=\"/\">Home</a><a href=\"/\">Browse</a><a href=\"/\">Sell</a>");
    html += QStringLiteral("<a href=\"") + SitePaths::signIn() +
            QStringLiteral("\">My eBay</a><a href=\"/\">Help</a> | ");
    if (signedIn)
        html += QStringLiteral("<a href=\"/signout\">Sign out</a>");
    else
        html +=
            QStringLiteral("<a href=\"") + SitePaths::signIn() + QStringLiteral("\">Sign in</a>");
    html += QStringLiteral("\n</div>\n<div id=\"main\">\n");
    return html;
}

QString foot()
{
    return QStringLiteral(
        "</div>\n<div id=\"foot\">Quillmere Demo Auctions runs on your own computer so that "
        "Quillmere can be tried without touching a real auction site. Nothing here is for sale "
        "and no money changes hands. <a href=\"/\">Home</a></div>\n</body>\n</html>\n");
}

QString sellerBox(const Seller& seller)
{
    return QStringLiteral("<div class=\"box\" id=\"seller\"><b>") + esc(seller.id) +
           QStringLiteral("</b> ( <a href=\"/\">") + QString::number(seller.feedback) +
           QStringLiteral("</a> ) Feedback: ") + seller.positive +
           QStringLiteral(" positive<br>Member since ") + seller.memberSince +
           QStringLiteral(" in ") + esc(seller.location) + QStringLiteral("</div>\n");
}

QString listingRow(const Item& item, const Seller& seller, int index, Look look)
{
    const QString bids =
        item.fixedPrice
            ? QStringLiteral(
                  "<img src=\"/img/bin.gif\" width=\"36\" height=\"14\" alt=\"Buy It Now\">")
            : item.bids;
    // A scan cuts 3 characters starting 10 before the end of this span.
    const QString time = item.endingSoon ? QStringLiteral("<span class=\"soon\">") + item.timeLeft +
                                               QStringLiteral("</span>")
                                         : item.timeLeft;
    // One link per row carries the item number, so each row holds exactly
    // one "&item=".
    const QString number = QString::number(index + 1);
    QString link;
    if (look == Look::Restyled)
        link = QStringLiteral("<td class=\"desc\" id=\"item-") + item.number +
               QStringLiteral("\" data-row=\"") + number + QStringLiteral("\"><a href=\"/itm/") +
               item.number + QStringLiteral("\" class=\"item-link\"><h3 class=\"item-title\">") +
               esc(item.title) + QStringLiteral("</h3></a>");
    else
        link = QStringLiteral("<td class=\"desc\"><a href=\"") +
               (look == Look::NewLook ? QStringLiteral("/itm/") : SitePaths::viewItem()) +
               item.number + QStringLiteral("\" id=\"r") + number +
               QStringLiteral("\"><span class=\"ttl\">") + esc(item.title) +
               QStringLiteral("</span></a>");
    return QStringLiteral("<tr class=\"") +
           (index % 2 ? QStringLiteral("lst alt") : QStringLiteral("lst")) +
           QStringLiteral("\">\n<td class=\"pic\"><img src=\"/img/thumb.gif\" width=\"64\" "
                          "height=\"48\" alt=\"Picture\"></td>\n") +
           link + QStringLiteral("\n<br><span class=\"sub\">Item ") + item.number +
           QStringLiteral(" &middot; Ships from ") + esc(seller.location) +
           QStringLiteral("</span></td>\n<td class=\"bids\">") + bids +
           QStringLiteral("</td>\n<td class=\"price\">") + item.startPrice +
           QStringLiteral("</td>\n<td class=\"bin\">") + item.buyNowPrice +
           QStringLiteral("</td>\n<td class=\"timeleft\">") + time +
           QStringLiteral("</td>\n</tr>\n");
}

QString soldTable(const Catalogue& catalogue)
{
    QString html = QStringLiteral(
        "<table class=\"list\" id=\"solditems\">\n<tr><th></th><th>Qty</th><th>Sale "
        "Price</th><th>Postage</th><th>Sale Date</th><th>Buyer</th><th>Status</th><th>Item</th>"
        "</tr>\n");
    for (const SoldRow& row : catalogue.soldRows()) {
        const Item* item = catalogue.item(row.itemNumber);
        // The row id joins item and transaction with "_", and the item
        // number is cut by the length of "<tr id=\"sold_" from right after it.
        html +=
            QStringLiteral("<tr id=\"sold_") + row.itemNumber + QLatin1Char('_') + row.transaction +
            QStringLiteral("\" class=\"sold\">\n<td class=\"chk\"><input type=\"checkbox\" "
                           "name=\"txn\" value=\"") +
            row.transaction + QStringLiteral("\"></td>\n<td class=\"qty\">") + row.quantity +
            QStringLiteral("</td>\n<td class=\"saleprice\">") + row.price +
            QStringLiteral("</td>\n<td class=\"ship\">") + row.shipping +
            QStringLiteral("</td>\n<td class=\"saledate\">") + row.date +
            QStringLiteral("</td>\n<td class=\"buyer\">") + esc(row.buyer) +
            QStringLiteral("</td>\n<td class=\"status\"><img src=\"/img/paid.gif\" width=\"16\" "
                           "height=\"16\" alt=\"Paid\"> <img src=\"/img/shipped.gif\" "
                           "width=\"16\" height=\"16\" alt=\"Shipped\"></td>\n"
                           "<td class=\"itemtitle\"><b>") +
            esc(item ? item->title : QString()) + QStringLiteral("</b><br><a href=\"") +
            SitePaths::viewItem() + row.itemNumber + QStringLiteral("\">View item ") +
            row.itemNumber + QStringLiteral("</a></td>\n</tr>\n");
    }
    html += QStringLiteral("</table>\n");
    return html;
}

QString counterBlock(CounterStyle style, const QString& counterText)
{
    switch (style) {
    case CounterStyle::Basic:
    case CounterStyle::DashesFirst:
        return QStringLiteral("<p class=\"ctr\">Page views: <font class=\"counter\">") +
               counterText + QStringLiteral("</font></p>\n");
    case CounterStyle::Retro:
        return QStringLiteral("<p class=\"ctr\">Visitors since listing: <tt class=\"odometer\">") +
               counterText + QStringLiteral("</tt></p>\n");
    case CounterStyle::None:
        break;
    }
    return QStringLiteral(
        "<p class=\"ctr sub\">The seller chose not to show a page counter.</p>\n");
}

} // namespace

namespace Pages {

QString home(const Catalogue& catalogue, bool signedIn)
{
    QString html = head(QStringLiteral("Welcome"), signedIn);
    html += QStringLiteral(
        "<h1>Welcome to Quillmere Demo Auctions</h1>\n"
        "<p>A small auction site for trying out Quillmere. Look up a seller's items:</p>\n<ul>\n");
    for (const Seller& seller : catalogue.sellers()) {
        html += QStringLiteral("<li><a href=\"/seller?user=") + seller.id + QStringLiteral("\">") +
                seller.id + QStringLiteral("</a> (") + QString::number(seller.rows.size()) +
                QStringLiteral(" listings)</li>\n");
    }
    html += QStringLiteral("</ul>\n<p><a href=\"") + SitePaths::signIn() +
            QStringLiteral("\">Sign in</a> to see the items you sold.</p>\n");
    html += foot();
    return html;
}

QString sellerListing(const Seller& seller, const Catalogue& catalogue, bool signedIn, Look look)
{
    QString html = head(QStringLiteral("Items for sale by ") + seller.id, signedIn);
    html += QStringLiteral(
        "<form action=\"/\" method=\"get\" id=\"search\">Search: <input type=\"text\" name=\"q\" "
        "size=\"40\"> in <select name=\"cat\"><option value=\"0\">All Categories</option>"
        "<option value=\"1\">Antiques</option><option value=\"2\">Collectables</option>"
        "<option value=\"3\">Toys and Hobbies</option><option value=\"4\">Home and Garden"
        "</option></select> <input type=\"submit\" value=\"Search\"></form>\n");
    html += QStringLiteral("<h1>Items for sale by ") + esc(seller.id) + QStringLiteral("</h1>\n");
    html += sellerBox(seller);
    html += QStringLiteral(
        "<p class=\"sub\">Listings are sorted by time left, ending soonest first. Prices are in US "
        "dollars. Click a title for the full description, pictures and postage details. Items "
        "marked with the Buy It Now icon can be bought straight away at the price shown.</p>\n"
        "<div class=\"box\"><b>Buying tips:</b> read the whole description before you bid, check "
        "the seller's feedback, and ask the seller a question if anything is unclear. Bids are "
        "binding; the highest bidder when the listing ends wins the item. Postage is paid by the "
        "buyer unless the listing says otherwise.</div>\n"
        "<table class=\"list\" id=\"listings\">\n<tr><th>Picture</th><th>Item Title</th>"
        "<th>Bids</th><th>Start Price</th><th>Buy It Now</th><th>Time Left</th></tr>\n");
    for (int i = 0; i < seller.rows.size(); ++i) {
        if (const Item* item = catalogue.item(seller.rows.at(i)))
            html += listingRow(*item, seller, i, look);
    }
    html += QStringLiteral("</table>\n<p class=\"sub\">") + QString::number(seller.rows.size()) +
            QStringLiteral(" items found for ") + esc(seller.id) +
            (seller.rows.isEmpty()
                 ? QStringLiteral(". This seller has no items for sale right now.</p>\n")
                 : QStringLiteral(". All items are shown on this page.</p>\n"));
    html += foot();
    return html;
}

QString sellerNotFound(bool signedIn)
{
    return head(QStringLiteral("Seller not found"), signedIn) +
           QStringLiteral("<h1>Seller not found</h1>\n<p>The User ID you entered was not found. "
                          "Check the spelling and try again.</p>\n") +
           foot();
}

QString itemPage(const Item* item, const QString& number, const QString& counterText, bool signedIn)
{
    if (!item) {
        return head(QStringLiteral("Item not found"), signedIn) +
               QStringLiteral("<h1>Item not found</h1>\n<p>The item number ") + esc(number) +
               QStringLiteral(" is not in our records. The listing may have ended more than 90 "
                              "days ago, or the number may be mistyped.</p>\n") +
               foot();
    }
    const Seller* seller = Catalogue::instance().seller(item->seller);
    QString html =
        head(item->title + QStringLiteral(" (item ") + item->number + QLatin1Char(')'), signedIn);
    html += QStringLiteral("<p class=\"sub\">Back to <a href=\"/seller?user=") + item->seller +
            QStringLiteral("\">items for sale by ") + item->seller +
            QStringLiteral("</a> | Listed in category: Collectables &gt; Vintage</p>\n<h1>") +
            esc(item->title) + QStringLiteral("</h1>\n<table class=\"detail\">\n");
    const auto line = [&html](const QString& label, const QString& value) {
        html += QStringLiteral("<tr><td>") + label + QStringLiteral("</td><td>") + value +
                QStringLiteral("</td></tr>\n");
    };
    line(QStringLiteral("Item number:"), item->number);
    if (item->sold) {
        line(QStringLiteral("Status:"), QStringLiteral("This listing has ended."));
        line(QStringLiteral("Sold for:"), item->startPrice);
    } else {
        line(item->fixedPrice ? QStringLiteral("Price:") : QStringLiteral("Starting bid:"),
             item->startPrice);
        line(QStringLiteral("Buy It Now price:"), item->buyNowPrice);
        line(QStringLiteral("Bids:"),
             item->fixedPrice ? QStringLiteral("Fixed price") : item->bids);
        line(QStringLiteral("Time left:"), item->timeLeft);
    }
    line(QStringLiteral("Seller:"), item->seller);
    line(QStringLiteral("Item location:"), seller ? esc(seller->location) : QString());
    html += QStringLiteral("</table>\n<div class=\"box\"><b>Description</b><br>") +
            esc(item->title) +
            QStringLiteral(". Good used condition for its age, see the pictures for wear. Comes "
                           "from a smoke-free home. Postage is by tracked service within two "
                           "working days of payment; combined postage for several items on "
                           "request.</div>\n");
    html += counterBlock(item->counter, counterText);
    html += foot();
    return html;
}

QString signIn(const QString& error)
{
    QString html = head(QStringLiteral("Sign in"), false);
    html += QStringLiteral("<h1>Sign in to see your sold items</h1>\n");
    if (!error.isEmpty())
        html += QStringLiteral("<p class=\"error\">") + esc(error) + QStringLiteral("</p>\n");
    html += QStringLiteral("<div class=\"box\">This is a demo site. Sign in with user ID <b>") +
            Catalogue::accountUser() + QStringLiteral("</b> and password <b>") +
            Catalogue::accountPassword() + QStringLiteral("</b>.</div>\n");
    html +=
        QStringLiteral("<form id=\"SignInForm\" name=\"SignInForm\" method=\"post\" action=\"") +
        SitePaths::signInForm() +
        QStringLiteral(
            "\">\n<table>\n"
            "<tr><td><label for=\"userid\">User ID</label></td><td><input type=\"text\" "
            "id=\"userid\" name=\"userid\" size=\"30\"></td></tr>\n"
            "<tr><td><label for=\"pass\">Password</label></td><td><input type=\"password\" "
            "id=\"pass\" name=\"pass\" size=\"30\"></td></tr>\n"
            "<tr><td></td><td><input type=\"submit\" id=\"sgnBt\" value=\"Sign in\"></td></tr>\n"
            "</table>\n</form>\n");
    html += foot();
    return html;
}

QString myEbay(const Catalogue& catalogue)
{
    QString html = head(QStringLiteral("My eBay: Sold"), true);
    html += QStringLiteral("<h1>My eBay: Sold</h1>\n<div class=\"box\">Hello <b>") +
            Catalogue::accountUser() + QStringLiteral("</b> (seller ") + Catalogue::soldBy() +
            QStringLiteral("). You sold ") + QString::number(catalogue.soldRows().size()) +
            QStringLiteral(" items in the last 31 days. <a href=\"/sold\">Printable list</a> | "
                           "<a href=\"/signout\">Sign out</a></div>\n");
    html += soldTable(catalogue);
    html += foot();
    return html;
}

QString soldItems(const Catalogue& catalogue)
{
    return head(QStringLiteral("Sold items"), true) + QStringLiteral("<h1>Sold items of ") +
           Catalogue::soldBy() +
           QStringLiteral("</h1>\n<p class=\"sub\">Last 31 days, newest first.</p>\n") +
           soldTable(catalogue) + foot();
}

QString notFound(const QString& path, bool signedIn)
{
    return head(QStringLiteral("Page not found"), signedIn) +
           QStringLiteral("<h1>Page not found</h1>\n<p>There is no page at ") + esc(path) +
           QStringLiteral(".</p>\n") + foot();
}

} // namespace Pages
