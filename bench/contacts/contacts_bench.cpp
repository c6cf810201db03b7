// Reading contact files: 10,000 vCards (as phones, Apple and Thunderbird export them, mixed) must
// read in under 200 ms; CSV alongside. Long lines and many folded lines must stay linear, which
// the complexity fits show. Planning an import reads every number with libphonenumber and is
// timed for 1,000 contacts against a list of 1,000 buddies.
#include "contacts/csv_reader.h"
#include "contacts/import_plan.h"
#include "contacts/vcard_reader.h"

#include <benchmark/benchmark.h>
#include <string>

namespace textowl {
namespace {

std::string number(int i) {
    return std::to_string(170000000 + i);
}

std::string vcards(int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        switch (i % 3) {
        case 0: // Android, vCard 2.1
            out += "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:"
                   "=C3=96zt=C3=BCrk" +
                   n +
                   ";J=C3=BCrgen;;;\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-"
                   "PRINTABLE:J=C3=BCrgen =C3=96zt=C3=BCrk\r\nTEL;HOME:030 " +
                   n + "\r\nTEL;CELL:0" + number(i) + "\r\nEMAIL;HOME:j" + n +
                   "@example.com\r\nBDAY:1980-04-02\r\nEND:VCARD\r\n";
            break;
        case 1: // Apple, vCard 3.0
            out += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee" + n +
                   ";Ann;;;\r\nFN:Ann Lee\r\n"
                   "NICKNAME:Annie\r\nitem1.TEL;type=pref:+49 30 " +
                   n +
                   "\r\nitem1.X-ABLabel:work"
                   "\r\nitem2.TEL:+49 " +
                   number(i) +
                   "\r\nitem2.X-ABLabel:_$!<Mobile>!$_\r\n"
                   "item3.EMAIL;type=INTERNET:ann" +
                   n +
                   "@example.com\r\n"
                   "BDAY;X-APPLE-OMIT-YEAR=1604:1604-04-02\r\nCATEGORIES:Family,Work\r\n"
                   "UID:" +
                   n + "\r\nEND:VCARD\r\n";
            break;
        default: // Thunderbird, vCard 4.0
            out += "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Ko" + n +
                   ";Cy;;;\r\nFN:Cy Ko\r\n"
                   "TEL;VALUE=uri;TYPE=\"cell,text\":tel:+49-" +
                   number(i) +
                   "\r\n"
                   "EMAIL;PREF=1:cy" +
                   n +
                   "@example.com\r\nBDAY:--0402\r\n"
                   "NOTE:A note long enough to be folded by an exporter that keeps to seventy\r\n"
                   " -five octets per line, as the standard asks\r\nEND:VCARD\r\n";
        }
    }
    return out;
}

std::string csvRows(int count) {
    std::string out = "First Name,Last Name,Nickname,Birthday,Categories,E-mail Address,Home Phone,"
                      "Mobile Phone\r\n";
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        out += "Ann,\"Lee, " + n + "\",Annie,4/2/1980,Family;Work,ann" + n + "@example.com,030 " +
               n + ",0" + number(i) + "\r\n";
    }
    return out;
}

void readVCardsBench(benchmark::State& state) {
    const std::string file = vcards(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(readVCards(file));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(readVCardsBench)->Arg(10000)->Unit(benchmark::kMillisecond);

void readCsvBench(benchmark::State& state) {
    const std::string file = csvRows(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(readCsv(file));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(readCsvBench)->Arg(10000)->Unit(benchmark::kMillisecond);

void longVCardLine(benchmark::State& state) {
    const std::string file = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" +
                             std::string(static_cast<std::size_t>(state.range(0)), 'a') +
                             "\r\nEND:VCARD\r\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(readVCards(file));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(longVCardLine)
    ->RangeMultiplier(2)
    ->Range(10 << 17, 10 << 20)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void foldedVCardLines(benchmark::State& state) {
    std::string file = "BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE;ENCODING=QUOTED-PRINTABLE:start=";
    for (std::int64_t i = 0; i < state.range(0); ++i)
        file += i % 2 ? "\r\n=C3=BC=" : "\r\n folded";
    file += "\r\nFN:Ann\r\nEND:VCARD\r\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(readVCards(file));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(foldedVCardLines)
    ->RangeMultiplier(2)
    ->Range(12500, 100000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void longCsvLine(benchmark::State& state) {
    const std::string file =
        "name,phone\n\"" + std::string(static_cast<std::size_t>(state.range(0)), 'a') + "\",111\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(readCsv(file));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(longCsvLine)
    ->RangeMultiplier(2)
    ->Range(10 << 17, 10 << 20)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void planImportBench(benchmark::State& state) {
    BuddyEntry root = BuddyEntry::makeRoot();
    for (int i = 0; i < 1000; ++i) {
        BuddyEntry buddy;
        buddy.kind = EntryKind::Buddy;
        buddy.id = std::to_string(i);
        buddy.nickname = "Buddy " + std::to_string(i);
        buddy.cellPhone = "49" + number(i * 2); // every other imported contact is already there
        root.children.push_back(buddy);
    }
    BuddyList list;
    list.fill(std::move(root));
    const ContactBook book = readVCards(vcards(1000)).book;
    for (auto _ : state)
        benchmark::DoNotOptimize(planImport(list, book, "DE"));
}
BENCHMARK(planImportBench)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace textowl

BENCHMARK_MAIN();
