#include "server/web/web_pages.h"

#include "server/service/service.h"
#include "server/service/web_catalogue.h"
#include "server/soap/wire_values.h"
#include "server/soap/xml_text.h"
#include "server/web/page_language.h"
#include "server/web/sent_messages_page.h"

#include <array>
#include <chrono>

namespace textowl::server {
namespace {

std::string html(std::string_view text) {
    return escapeXml(text, true);
}

std::string field(const FormFields& fields, const std::string& name) {
    const auto it = fields.find(name);
    return it == fields.end() ? std::string() : it->second;
}

HttpReply page(std::string_view title, const std::string& body, int status = 200,
               PageLanguage language = PageLanguage::English) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"" + std::string(languageTag(language)) +
                      "\"><head><meta charset=\"utf-8\"><title>";
    out += html(title);
    out += "</title><style>body{font-family:sans-serif;margin:1em;max-width:40em}"
           "label{display:block;margin-top:.6em}table{border-collapse:collapse}"
           "td,th{border:1px solid #bbb;padding:2px 6px;text-align:left}</style></head><body><h1>";
    out += html(title);
    out += "</h1>\n";
    out += body;
    out += "\n</body></html>\n";
    return HttpReply{status, "text/html; charset=utf-8", std::move(out), {}};
}

struct StaticPage {
    std::string_view path;
    PageText title;
    PageText body;
};

constexpr std::array kStaticPages{
    StaticPage{"terms",
               {"Terms of use", "Villkor"},
               {"<p>Messages are queued for delivery as you send them; each part of a message to "
                "each recipient costs one credit. Credit does not expire. Do not send messages "
                "that the recipient has not asked for.</p>",
                "<p>Meddelanden köas för leverans när du skickar dem; varje del av ett meddelande "
                "till varje mottagare kostar en kredit. Krediter förfaller inte. Skicka inte "
                "meddelanden som mottagaren inte har bett om.</p>"}},
    StaticPage{"faqs",
               {"Frequently asked questions", "Vanliga frågor"},
               {"<dl><dt>How long can a message be?</dt><dd>160 characters fit in one part; "
                "longer texts are sent in parts of 153. Texts with characters outside the "
                "GSM alphabet, or sent as UTF-16, fit 70 characters in one part and 67 in each "
                "part of a longer text.</dd><dt>Which number format?</dt><dd>The country code "
                "followed by the number, for example 46700000000.</dd><dt>Can one contact be "
                "in several groups?</dt><dd>Yes; deleting it from one group keeps the "
                "others.</dd></dl>",
                "<dl><dt>Hur långt kan ett meddelande vara?</dt><dd>160 tecken ryms i en del; "
                "längre texter skickas i delar om 153. Texter med tecken utanför GSM-alfabetet, "
                "eller som skickas som UTF-16, rymmer 70 tecken i en del och 67 i varje del av "
                "en längre text.</dd><dt>Vilket nummerformat?</dt><dd>Landsnumret följt av "
                "numret, till exempel 46700000000.</dd><dt>Kan en kontakt finnas i flera "
                "grupper?</dt><dd>Ja; tar du bort den ur en grupp finns den kvar i de "
                "andra.</dd></dl>"}},
    StaticPage{"contactus",
               {"Contact us", "Kontakta oss"},
               {"<p>Write to the operator of this service; for a lost password, name your user "
                "name.</p>",
                "<p>Skriv till den som driver tjänsten; gäller det ett glömt lösenord, ange ditt "
                "användarnamn.</p>"}},
    StaticPage{"about",
               {"About Pagewright", "Om Pagewright"},
               {"<p>Pagewright keeps your buddy list and sends your text messages.</p>",
                "<p>Pagewright sparar din kontaktlista och skickar dina textmeddelanden.</p>"}},
    StaticPage{"tabs/news",
               {"News", "Nyheter"},
               {"<p>Scheduled messages: pick a date and time when you send and the message "
                "waits until then.</p>",
                "<p>Schemalagda meddelanden: välj datum och tid när du skickar, så väntar "
                "meddelandet till dess.</p>"}},
    StaticPage{"tabs/help",
               {"Help", "Hjälp"},
               {"<p>Double-click a buddy to write to them; drag a buddy onto a group to move "
                "it; copy and paste places it in a second group.</p>",
                "<p>Dubbelklicka på en kontakt för att skriva till den; dra en kontakt till en "
                "grupp för att flytta den dit; kopiera och klistra in för att lägga den i "
                "ytterligare en grupp.</p>"}},
    StaticPage{"tabs/rates",
               {"Rates", "Priser"},
               {"<table><tr><th>Message</th><th>Credits per recipient</th></tr>"
                "<tr><td>up to 160 characters</td><td>1</td></tr>"
                "<tr><td>each further 153 characters</td><td>1</td></tr>"
                "<tr><td>UTF-16: up to 70, then per 67 characters</td><td>1</td></tr></table>",
                "<table><tr><th>Meddelande</th><th>Krediter per mottagare</th></tr>"
                "<tr><td>upp till 160 tecken</td><td>1</td></tr>"
                "<tr><td>varje ytterligare 153 tecken</td><td>1</td></tr>"
                "<tr><td>UTF-16: upp till 70, sedan per 67 tecken</td><td>1</td></tr></table>"}},
};

constexpr PageText kFooterText{"<b>Pagewright</b> messaging<br><a href=\"/pagewright/terms\">"
                               "Terms of use</a>",
                               "<b>Pagewright</b> meddelanden<br><a href=\"/pagewright/terms\">"
                               "Villkor</a>"};

// The footer is shown in a strip about 236 by 62 pixels: no heading, no margins to speak of.
HttpReply footerPage(PageLanguage language) {
    return HttpReply{200,
                     "text/html; charset=utf-8",
                     "<!DOCTYPE html>\n<html lang=\"" + std::string(languageTag(language)) +
                         "\"><head><meta charset=\"utf-8\"><title>Pagewright</title>"
                         "<style>body{font-family:sans-serif;font-size:11px;margin:4px;"
                         "overflow:hidden;text-align:center}</style></head><body>" +
                         std::string(kFooterText.in(language)) + "</body></html>\n",
                     {}};
}

// The page below /pagewright/; "terms.php" names the same page as "terms", as the
// client's string file spells the addresses that way.
std::string stripPrefix(const std::string& path) {
    constexpr std::string_view prefix = "/pagewright/";
    constexpr std::string_view suffix = ".php";
    if (path.rfind(prefix, 0) != 0) {
        return {};
    }
    std::string slug = path.substr(prefix.size());
    if (slug.size() > suffix.size() &&
        slug.compare(slug.size() - suffix.size(), suffix.size(), suffix) == 0) {
        slug.resize(slug.size() - suffix.size());
    }
    return slug;
}

std::string indexBody(PageLanguage language) {
    constexpr PageText kSignUp{"Sign up", "Registrera dig"};
    constexpr PageText kForgotten{"Forgotten password", "Glömt lösenord"};
    std::string body = "<ul><li><a href=\"/pagewright/signup\">" +
                       std::string(kSignUp.in(language)) +
                       "</a></li><li><a href=\"/pagewright/forgotpwd\">" +
                       std::string(kForgotten.in(language)) + "</a></li>";
    for (const StaticPage& p : kStaticPages) {
        body += "<li><a href=\"/pagewright/" + std::string(p.path) + "\">" +
                html(p.title.in(language)) + "</a></li>";
    }
    return body + "</ul>";
}

// An answer written in the reader's language; caches must keep one copy per language.
HttpReply inLanguage(HttpReply response, PageLanguage language) {
    response.headers.emplace_back("Content-Language", languageTag(language));
    response.headers.emplace_back("Vary", "Accept-Language");
    return response;
}

constexpr int kNoticesPerAddress = 5;
constexpr std::chrono::minutes kSummaryEvery{1};

constexpr std::string_view kForgotForm =
    "<form method=\"post\" action=\"/pagewright/forgotpwd\"><label>User name "
    "<input name=\"name\" required></label><p><button type=\"submit\">Ask for a new "
    "password</button></p></form>";

} // namespace

WebPages::WebPages(PagewrightService& service, Store& store, Notice notice)
    : m_service(service), m_store(store), m_notice(std::move(notice)),
      m_notices({kNoticesPerAddress, 0}, [&service] { return service.steadyNow(); }) {}

WebPages::~WebPages() {
    writeLeftOutNotices(true);
}

std::optional<HttpReply> WebPages::get(const std::string& path, const FormFields& query,
                                       PageLanguage language) {
    const std::string slug = stripPrefix(path);
    if (slug == "signup") {
        return signupForm("", "");
    }
    if (slug == "forgotpwd") {
        return page("Forgotten password", std::string(kForgotForm));
    }
    const auto localised = localisedPage(path, slug, query, language);
    return localised ? std::optional(inLanguage(*localised, language)) : std::nullopt;
}

std::optional<HttpReply> WebPages::localisedPage(const std::string& path, const std::string& slug,
                                                 const FormFields& query, PageLanguage language) {
    if (path == "/pagewright" || path == "/pagewright/") {
        return page("Pagewright", indexBody(language), 200, language);
    }
    if (slug == "footer") {
        return footerPage(language);
    }
    for (const StaticPage& p : kStaticPages) {
        if (slug == p.path) {
            return page(p.title.in(language), std::string(p.body.in(language)), 200, language);
        }
    }
    for (const WebEntry& b : interfaceButtons()) {
        if (slug == b.slug) {
            return buttonPage(slug, query, language);
        }
    }
    return std::nullopt;
}

std::optional<HttpReply> WebPages::post(const std::string& path, const FormFields& form,
                                        const std::string& clientAddress) {
    const std::string slug = stripPrefix(path);
    if (slug == "signup") {
        return signup(form, clientAddress);
    }
    if (slug == "forgotpwd") {
        forgottenPassword(field(form, "name"), clientAddress);
        // The same answer whether or not the name exists, so the page reveals no accounts.
        return page("Forgotten password",
                    "<p>If an account by that name exists, the operator of this service has "
                    "been asked to set a new password and will contact you.</p>");
    }
    return std::nullopt;
}

// Only an existing account's name reaches the operator, so the notice carries no text a visitor
// chose freely; and only a few an hour from one address, so that no one can flood the log.
void WebPages::forgottenPassword(const std::string& name, const std::string& clientAddress) {
    if (!m_notice || !validAccountName(name) || !m_store.accounts().find(name)) {
        return;
    }
    if (m_notices.take(addressKey(clientAddress))) {
        m_notice("a new password was asked for the user " + name);
        return;
    }
    {
        std::lock_guard lock(m_leftOutMutex);
        ++m_leftOut;
    }
    writeLeftOutNotices(false);
}

void WebPages::writeLeftOutNotices(bool evenWithinTheMinute) {
    std::int64_t count = 0;
    {
        std::lock_guard lock(m_leftOutMutex);
        const auto now = m_service.steadyNow();
        if (m_leftOut == 0 ||
            (!evenWithinTheMinute && m_lastSummary && now - *m_lastSummary < kSummaryEvery)) {
            return;
        }
        count = std::exchange(m_leftOut, 0);
        m_lastSummary = now;
    }
    if (m_notice) {
        m_notice(std::to_string(count) +
                 " more request(s) for a new password came from addresses "
                 "over their limit of " +
                 std::to_string(kNoticesPerAddress) + " an hour; they were not written");
    }
}

HttpReply WebPages::signupForm(const std::string& message, const std::string& name) {
    std::string body;
    if (!message.empty()) {
        body += "<p><strong>" + html(message) + "</strong></p>";
    }
    body += "<form method=\"post\" action=\"/pagewright/signup\">"
            "<label>User name (letters, digits, . _ -) <input name=\"name\" maxlength=\"32\" "
            "required value=\"" +
            html(name) +
            "\"></label><label>Password (at least 6 characters) <input type=\"password\" "
            "name=\"password\" required></label><label>Password again <input "
            "type=\"password\" name=\"password2\" required></label>"
            "<p><button type=\"submit\">Create account</button></p></form>";
    return page("Sign up", body, message.empty() ? 200 : 400);
}

HttpReply WebPages::signup(const FormFields& form, const std::string& clientAddress) {
    const std::string name = field(form, "name");
    const std::string password = field(form, "password");
    if (!validAccountName(name)) {
        return signupForm("Choose a user name of 1 to 32 letters, digits, dots, dashes or "
                          "underscores.",
                          name);
    }
    if (password.size() < 6 || password.size() > 1024) {
        return signupForm("Choose a password of at least 6 characters.", name);
    }
    if (password != field(form, "password2")) {
        return signupForm("The two passwords differ.", name);
    }
    switch (m_service.signUp(name, password, clientAddress)) {
    case SignUpOutcome::Created:
        break;
    case SignUpOutcome::NameTaken:
        return signupForm("That user name is taken; choose another.", name);
    case SignUpOutcome::Busy:
        return signupForm("The service is busy; try again in a moment.", name);
    case SignUpOutcome::TryLater: {
        HttpReply refused = page("Sign up",
                                 "<p>Too many accounts were created lately. Try "
                                 "again later.</p>",
                                 429);
        refused.headers.emplace_back("Retry-After", "3600");
        return refused;
    }
    case SignUpOutcome::Invalid:
        return signupForm("The account could not be created.", name);
    }
    return page("Welcome", "<p>Your account <strong>" + html(name) +
                               "</strong> is ready. Sign in with it in Textowl.</p>");
}

// Their address carries the ticket: no cache may keep them, no link may pass the address on,
// and no browser may read them as anything but HTML.
HttpReply WebPages::buttonPage(const std::string& slug, const FormFields& query,
                               PageLanguage language) {
    HttpReply response = accountPage(slug, query, language);
    response.headers.emplace_back("Cache-Control", "no-store");
    response.headers.emplace_back("Referrer-Policy", "no-referrer");
    response.headers.emplace_back("X-Content-Type-Options", "nosniff");
    return response;
}

HttpReply WebPages::accountPage(const std::string& slug, const FormFields& query,
                                PageLanguage language) {
    constexpr PageText kSignedOut{"Signed out", "Utloggad"};
    constexpr PageText kSessionEnded{"<p>Your session has ended. Sign in again in Textowl.</p>",
                                     "<p>Din session har tagit slut. Logga in igen i Textowl.</p>"};
    constexpr PageText kHello{"Hello", "Hej"};
    constexpr PageText kMyAccount{"My account", "Mitt konto"};
    constexpr PageText kBalance{"Your balance", "Ditt saldo"};
    constexpr PageText kCredits{"credits", "krediter"};
    constexpr PageText kBuyCredit{"Buy credit", "Köp krediter"};
    constexpr PageText kHowToBuy{
        "<p>To add credit to your account, contact the operator of this service.</p>",
        "<p>Kontakta den som driver tjänsten för att fylla på ditt konto med krediter.</p>"};
    const auto account = m_service.accountForTicket(field(query, "ticket"));
    const auto name = account ? m_store.accounts().name(*account) : std::nullopt;
    if (!name) {
        return page(kSignedOut.in(language), std::string(kSessionEnded.in(language)), 403,
                    language);
    }
    const std::string greeting =
        "<p>" + std::string(kHello.in(language)) + ", " + html(*name) + "!</p>";
    if (slug == "buttons/account") {
        return page(kMyAccount.in(language),
                    greeting + "<p>" + std::string(kBalance.in(language)) + ": " +
                        formatCredits(m_store.accounts().balanceCents(*account)) + " " +
                        std::string(kCredits.in(language)) + ".</p>",
                    200, language);
    }
    if (slug == "buttons/sent") {
        return sentMessagesPage(m_store, *account, field(query, "ticket"), field(query, "page"),
                                language);
    }
    return page(kBuyCredit.in(language), greeting + std::string(kHowToBuy.in(language)), 200,
                language);
}

} // namespace textowl::server
