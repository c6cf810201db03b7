// Parse and fill of a large buddy list: a subscriber with 10,000 buddies, 2,000 of them at top
// level and the rest in 50 groups, must see the tree well within 300 ms of the reply.
#include "buddylist/buddy_list_document.h"
#include "buddylist/buddy_tree.h"
#include "service/utf.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <random>
#include <string>

namespace textowl {
namespace {

constexpr int kTopLevel = 2000;
constexpr int kGroups = 50;
constexpr int kPerGroup = 160;

std::string randomName(std::mt19937& random) {
    static const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string name;
    for (int i = 0; i < 8; ++i)
        name += letters[random() % letters.size()];
    return name;
}

void appendBuddy(std::string& out, int id, std::mt19937& random) {
    out += "<buddy id=\"" + std::to_string(id) + "\" firstname=\"" + randomName(random) +
           "\" lastname=\"" + randomName(random) + "\" nickname=\"" + randomName(random) +
           "\" cellphone=\"+467" + std::to_string(10000000 + id) +
           "\" email=\"someone@example.com\" birthday=\"1980-04-02\"/>";
}

// The reply as the proxy hands it over: UTF-16, top-level buddies in no particular order.
const ServiceText& largeReply() {
    static const ServiceText reply = [] {
        std::mt19937 random(2026);
        std::string xml = "<result err=\"0\"><buddylist>";
        int id = 0;
        for (int i = 0; i < kTopLevel; ++i)
            appendBuddy(xml, ++id, random);
        for (int g = 0; g < kGroups; ++g) {
            xml += "<buddygroup id=\"" + std::to_string(g + 1) + "\" name=\"Group " +
                   std::to_string(g) + "\">";
            for (int i = 0; i < kPerGroup; ++i)
                appendBuddy(xml, ++id, random);
            xml += "</buddygroup>";
        }
        xml += "</buddylist></result>";
        return ServiceText(utf8ToUtf16(xml));
    }();
    return reply;
}

QPixmap imageStrip() {
    QPixmap strip(kTreeImageSize * kTreeImageCount, kTreeImageSize);
    strip.fill(Qt::darkCyan);
    return strip;
}

void BM_ParseBuddyList(benchmark::State& state) {
    for (auto _ : state) {
        BuddyEntry root;
        if (parseBuddyListResult(largeReply(), root) != S_OK)
            state.SkipWithError("reply refused");
        benchmark::DoNotOptimize(root);
    }
}
BENCHMARK(BM_ParseBuddyList)->Unit(benchmark::kMillisecond);

// From the reply to a painted tree: parse, fill, lay out and paint the visible lines.
void BM_ParseAndFillTree(benchmark::State& state) {
    BuddyList list;
    BuddyTree tree(list, imageStrip());
    tree.resize(300, 400);
    tree.show();
    for (auto _ : state) {
        BuddyEntry root;
        if (parseBuddyListResult(largeReply(), root) != S_OK)
            state.SkipWithError("reply refused");
        tree.fill(std::move(root));
        tree.selectLine(tree.rootLine());
        tree.repaint();
        if (tree.model()->rowCount(tree.rootLine()) != kTopLevel + kGroups)
            state.SkipWithError("lines missing");
        state.PauseTiming();
        list.clear();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ParseAndFillTree)->Unit(benchmark::kMillisecond);

// One buddy added at top level through editing, in a tree already holding the large list: the
// list places it and the tree follows, as when the service accepted an added contact.
void BM_InsertTopLevelBuddyIntoLargeTree(benchmark::State& state) {
    BuddyList list;
    BuddyTree tree(list, imageStrip());
    BuddyEntry root;
    parseBuddyListResult(largeReply(), root);
    tree.fill(std::move(root));
    BuddyEntry added;
    added.kind = EntryKind::Buddy;
    added.id = "new";
    added.nickname = "mmmm";
    added.cellPhone = "1";
    for (auto _ : state) {
        BuddyNode* node = list.insert(added, list.root());
        state.PauseTiming();
        if (!node || !tree.lineOf(node).isValid()) {
            state.SkipWithError("no line for the added buddy");
            break;
        }
        list.remove(*node);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertTopLevelBuddyIntoLargeTree)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace textowl

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
