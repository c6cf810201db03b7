#include "server/service/web_catalogue.h"

#include <array>

namespace textowl::server {
namespace {

constexpr std::array kTabs{
    WebEntry{"tabs/news", "News", "Service news", "tab_news.bmp", Glyph::News},
    WebEntry{"tabs/help", "Help", "Help and tips", "tab_help.bmp", Glyph::Info},
    WebEntry{"tabs/rates", "Rates", "What a message costs", "tab_rates.bmp", Glyph::Coin},
};

constexpr std::array kButtons{
    WebEntry{"buttons/account", "My account", "My account", "btn_account.bmp", Glyph::Person},
    WebEntry{"buttons/sent", "Sent messages", "Sent messages", "btn_sent.bmp", Glyph::Envelope},
    WebEntry{"buttons/credit", "Buy credit", "Buy credit", "btn_credit.bmp", Glyph::Leaf},
};

} // namespace

std::span<const WebEntry> webTabs() {
    return kTabs;
}
std::span<const WebEntry> interfaceButtons() {
    return kButtons;
}

} // namespace textowl::server
