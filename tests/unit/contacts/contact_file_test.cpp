#include "contacts/contact_file.h"
#include "contacts/contact_writer.h"
#include "contacts/csv_reader.h"
#include "contacts/vcard_reader.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace textowl {
namespace {

using namespace std::string_literals;
using Groups = std::vector<std::string>;

Contact person(std::string first, std::string last, std::string cell,
               std::string birthday = "0-00-00", Groups groups = {}, std::string nickname = {},
               std::string email = {}) {
    return {std::move(first), std::move(last),     std::move(nickname), std::move(cell),
            std::move(email), std::move(birthday), std::move(groups)};
}

// The same contact with the numbers tried after its cell phone.
Contact withOthers(Contact contact, std::vector<std::string> others) {
    contact.otherPhones = std::move(others);
    return contact;
}

// Text as a UTF-16 exporter writes it: byte-order mark, then two bytes per code unit.
std::string utf16(std::u16string_view text, bool bigEndian = false) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

struct FileCase {
    FileCase(const char* name, std::string text, ContactBook book, ReadError error = {})
        : name(name), text(std::move(text)), book(std::move(book)), error(error) {}

    const char* name;
    std::string text;
    ContactBook book; // expected when error is None
    ReadError error;
};

void PrintTo(const FileCase& c, std::ostream* os) {
    *os << c.name;
}

std::string card(const std::string& version, const std::string& lines) {
    return "BEGIN:VCARD\r\nVERSION:" + version + "\r\n" + lines + "END:VCARD\r\n";
}

void expectRead(const ContactRead& read, const FileCase& c) {
    EXPECT_EQ(read.error.problem, c.error.problem);
    EXPECT_EQ(read.error.line, c.error.line);
    if (c.error.problem == ReadProblem::None)
        EXPECT_EQ(read.book, c.book);
    else
        EXPECT_TRUE(read.book.contacts.empty() && read.book.groups.empty());
}

class VCardTable : public ::testing::TestWithParam<FileCase> {};

TEST_P(VCardTable, ReadsWhatEachExporterWrites) {
    const FileCase& c = GetParam();
    ASSERT_EQ(detectFormat(c.text) == ContactFormat::VCard,
              c.error.problem != ReadProblem::NoContacts);
    expectRead(readVCards(c.text), c);
}

INSTANTIATE_TEST_SUITE_P(
    Quirks, VCardTable,
    ::testing::Values(
        FileCase{"Android21QuotedPrintableWithSoftBreak",
                 card("2.1", "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=96zt=C3=BCrk;J=C3=\r\n"
                             "=BCrgen;;;\r\nTEL;CELL:+49 170 1234567\r\n"),
                 {{person("J\u00fcrgen", "\u00d6zt\u00fcrk", "+49 170 1234567")}, {}}},
        FileCase{"Outlook21Windows1252AndLatin1",
                 card("2.1", "N;CHARSET=Windows-1252;QUOTED-PRINTABLE:M=FC=00ller;J=F6rg=80\r\n") +
                     card("2.1", "FN;CHARSET=ISO-8859-1:Ren\xE9\r\n"),
                 {{person("J\u00f6rg\u20ac", "M\u00fcller", ""), person("Ren\u00e9", "", "")}, {}}},
        FileCase{"Bare21TypesPickTheMobile",
                 card("2.1", "FN:Ann\r\nTEL;HOME;VOICE:111\r\nTEL;CELL;VOICE:222\r\n"),
                 {{withOthers(person("Ann", "", "222"), {"111"})}, {}}},
        FileCase{"PreferredMobileThenMobilesThenTheRest",
                 card("2.1", "FN:Ann\r\nTEL;HOME:111\r\nTEL;CELL:222\r\nTEL;PREF:333\r\n"
                             "TEL;CELL;PREF:444\r\nTEL;CELL:222\r\n") +
                     card("4.0", "FN:Bob\r\nTEL;TYPE=work;PREF=1:555\r\nTEL;TYPE=cell:666\r\n"
                                 "TEL;TYPE=\"cell,pref\":777\r\n"),
                 {{withOthers(person("Ann", "", "444"), {"222", "111", "333"}),
                   withOthers(person("Bob", "", "777"), {"666", "555"})},
                  {}}},
        FileCase{
            "TypeListsQuotedListsAndTelUri",
            card("3.0", "FN:Ann\r\nTEL;TYPE=HOME,VOICE:111\r\nTEL;TYPE=\"voice,cell\":222\r\n") +
                card("4.0", "FN:Bob\r\nTEL;VALUE=uri;TYPE=\"voice\":tel:333\r\n"
                            "TEL;VALUE=uri;TYPE=\"cell,text\":tel:+1-415-555-0132\r\n"),
            {{withOthers(person("Ann", "", "222"), {"111"}),
              withOthers(person("Bob", "", "+1-415-555-0132"), {"333"})},
             {}}},
        FileCase{"FirstNumberWhenNoneIsMobile",
                 card("3.0", "FN:Ann\r\nTEL;TYPE=WORK:111\r\nTEL;TYPE=HOME:222\r\n"),
                 {{withOthers(person("Ann", "", "111"), {"222"})}, {}}},
        FileCase{"AppleItemGroupsAndLabels",
                 card("3.0", "N:Lee;Ann;;;\r\nitem1.TEL;type=pref:111\r\nitem1.X-ABLabel:work\r\n"
                             "item2.TEL:222\r\nitem2.X-ABLabel:_$!<Mobile>!$_\r\n"
                             "item3.EMAIL;type=INTERNET:ann@example.com\r\n"),
                 {{withOthers(person("Ann", "Lee", "222", "0-00-00", {}, "", "ann@example.com"),
                              {"111"})},
                  {}}},
        FileCase{"BirthdayFormsInCardsOfMixedVersions",
                 card("3.0", "FN:A\r\nBDAY:1980-04-02\r\n") +
                     card("2.1", "FN:B\r\nBDAY:19800402\r\n") +
                     card("4.0", "FN:C\r\nBDAY:--0402\r\n") +
                     card("3.0", "FN:D\r\nBDAY:1980-04-02T00:00:00Z\r\n") +
                     card("3.0", "FN:E\r\nBDAY;X-APPLE-OMIT-YEAR=1604:1604-04-02\r\n") +
                     card("3.0", "FN:F\r\nBDAY:1980-13-02\r\n"),
                 {{person("A", "", "", "1980-04-02"), person("B", "", "", "1980-04-02"),
                   person("C", "", "", "0-04-02"), person("D", "", "", "1980-04-02"),
                   person("E", "", "", "0-04-02"), person("F", "", "")},
                  {}}},
        FileCase{"NamesFromNThenNicknameThenFn",
                 card("3.0", "N:;;;;\r\nFN:Ann Lee\r\n") +
                     card("3.0", "FN:Robert\r\nNICKNAME:Bobby,Rob\r\n") +
                     card("3.0", "N:Ko;Cy;;;\r\nFN:Dr. Cy Ko\r\n"),
                 {{person("Ann Lee", "", ""), person("", "", "", "0-00-00", {}, "Bobby"),
                   person("Cy", "Ko", "")},
                  {}}},
        FileCase{"OrganisationAndAndroidNickname",
                 card("3.0", "N:;;;;\r\nORG:R\u00f6rmokar'n i Solna AB;Service\r\n"
                             "TEL;TYPE=WORK:08-123 456 78\r\n") +
                     card("2.1", "N:Berg;Bo;;;\r\nX-ANDROID-CUSTOM:vnd.android.cursor.item/"
                                 "nickname;Bobo;1;;;;;;;;;;;;;\r\n") +
                     card("2.1", "N:Ek;Cy;;;\r\nNICKNAME:Cyd\r\nX-ANDROID-CUSTOM:vnd.android."
                                 "cursor.item/nickname;Cyan;1;;;;;;;;;;;;;\r\n"),
                 {{person("R\u00f6rmokar'n i Solna AB", "", "08-123 456 78"),
                   person("Bo", "Berg", "", "0-00-00", {}, "Bobo"),
                   person("Cy", "Ek", "", "0-00-00", {}, "Cyd")},
                  {}}},
        FileCase{"Utf16BothEndiansAndNamedCharsetsIgnored",
                 utf16(u"BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=Windows-1252:\u00d6hman;"
                       u"\u00c5sa\r\nTEL;CELL:070-123 45 67\r\nEND:VCARD\r\n"),
                 {{person("\u00c5sa", "\u00d6hman", "070-123 45 67")}, {}}},
        FileCase{"Utf16BigEndianWithSurrogatePair",
                 utf16(u"BEGIN:VCARD\r\nFN:Ann \U0001F989\r\nEND:VCARD\r\n", true),
                 {{person("Ann \U0001F989", "", "")}, {}}},
        FileCase{"Utf16LoneSurrogate",
                 utf16(u"BEGIN:VCARD\r\nFN:Ann\r\nN:\xD83E;\r\nEND:VCARD\r\n"),
                 {},
                 {ReadProblem::InvalidUtf16, 3}},
        FileCase{"FoldedLinesAndEscapes",
                 "BEGIN:VCARD\nVERSION:3.0\nFN:Anna\n  Maria\nN:Lee\\, Jr.;Anna\n\t Maria;;;\n"
                 "END:VCARD\n",
                 {{person("Anna Maria", "Lee, Jr.", "")}, {}}},
        FileCase{"GroupsFromCategories",
                 card("3.0", "FN:Ann\r\nCATEGORIES:Family,Work\\, Office\r\n") +
                     card("3.0", "FN:Bob\r\nCATEGORIES:Family\r\n"),
                 {{person("Ann", "", "", "0-00-00", {"Family", "Work, Office"}),
                   person("Bob", "", "", "0-00-00", {"Family"})},
                  {"Family", "Work, Office"}}},
        FileCase{"GroupsFromKindGroupMembers",
                 card("4.0", "FN:Ann\r\nUID:urn:uuid:A1\r\n") +
                     card("4.0", "KIND:group\r\nFN:Climbing\r\nMEMBER:urn:uuid:a1\r\n"
                                 "MEMBER:urn:uuid:gone\r\n"),
                 {{person("Ann", "", "", "0-00-00", {"Climbing"})}, {"Climbing"}}},
        FileCase{"GroupsFromAddressBookServerGroupCards",
                 card("3.0", "X-ADDRESSBOOKSERVER-KIND:group\r\nN:Choir\r\n"
                             "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:B2\r\n") +
                     card("3.0", "FN:Bob\r\nUID:B2\r\n") +
                     card("3.0", "X-ADDRESSBOOKSERVER-KIND:group\r\nFN:Empty\r\n"),
                 {{person("Bob", "", "", "0-00-00", {"Choir"})}, {"Choir", "Empty"}}},
        FileCase{"BinaryData",
                 "BEGIN:VCARD\r\nPHOTO:\x89PNG\r\n\x1a\n\0\0\0\rIHDR"s,
                 {},
                 {ReadProblem::BinaryData, 4}},
        FileCase{"InvalidUtf8",
                 card("3.0", "FN:Ann\r\nN:Ren\xE9;\r\n"),
                 {},
                 {ReadProblem::InvalidUtf8, 4}},
        FileCase{"UnconvertibleCharset",
                 card("2.1", "FN;CHARSET=SHIFT_JIS:\x83\x41\r\n"),
                 {},
                 {ReadProblem::UnknownCharset, 3}},
        FileCase{"NoCard", "hello\r\n", {}, {ReadProblem::NoContacts, 0}}));

class CsvTable : public ::testing::TestWithParam<FileCase> {};

TEST_P(CsvTable, ReadsWhatEachExporterWrites) {
    const FileCase& c = GetParam();
    EXPECT_EQ(detectFormat(c.text), ContactFormat::Csv);
    expectRead(readContacts(c.text), c);
}

INSTANTIATE_TEST_SUITE_P(
    Quirks, CsvTable,
    ::testing::Values(
        FileCase{
            "GoogleOldHeader",
            "Name,Given Name,Family Name,Nickname,Birthday,Group Membership,E-mail 1 - Type,"
            "E-mail 1 - Value,Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value\n"
            "Ann Lee,Ann,Lee,,--04-02,Family ::: * My Contacts,* Home,ann@example.com,Home,111,"
            "Mobile,222\n",
            {{withOthers(person("Ann", "Lee", "222", "0-04-02", {"Family"}, "", "ann@example.com"),
                         {"111"})},
             {"Family"}}},
        FileCase{"GoogleNewHeader",
                 "First Name,Middle Name,Last Name,Phonetic First Name,Nickname,Birthday,Labels,"
                 "Phone 1 - Label,Phone 1 - Value\n"
                 "Bob,X,Ko,Bobu,Bobby,1980-04-02,* myContacts ::: * starred ::: Work,Work,"
                 "+1 555 0100 ::: +1 555 0199\n",
                 {{withOthers(person("Bob", "Ko", "+1 555 0100", "1980-04-02", {"Work"}, "Bobby"),
                              {"+1 555 0199"})},
                  {"Work"}}},
        FileCase{
            "GoogleOldUtf16WithOrganisationLabelsAndPrimary",
            utf16(u"Name,Given Name,Family Name,Organization 1 - Name,Group Membership,"
                  u"Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value\r\n"
                  u"\u00c5sa \u00d6hman,\u00c5sa,\u00d6hman,,myContacts ::: Friends ::: "
                  u"starred,Mobile,070-111 11 11,* Mobile,070-222 22 22\r\n"
                  u",,,R\u00f6rmokar'n i Solna AB,* myContacts,Work,08-123 456 78,,\r\n"),
            {{withOthers(person("\u00c5sa", "\u00d6hman", "070-222 22 22", "0-00-00", {"Friends"}),
                         {"070-111 11 11"}),
              person("R\u00f6rmokar'n i Solna AB", "", "08-123 456 78")},
             {"Friends"}}},
        FileCase{"Utf16OddLastByte",
                 utf16(u"name,phone\nAnn,111\n") + "x",
                 {},
                 {ReadProblem::InvalidUtf16, 3}},
        FileCase{"OutlookHeader",
                 "First Name,Middle Name,Last Name,Business Phone,Home Phone,Mobile Phone,"
                 "Business Fax,Birthday,Categories,E-mail Address,E-mail Type\n"
                 "Cy,,Ko,111,222,333,444,4/2/1980,Friends;Work,cy@example.com,SMTP\n"
                 "Di,,,,555,,,0/0/00,,,\n"
                 "Ed,,,,666,,,4/2/-980,,,\n",
                 {{withOthers(person("Cy", "Ko", "333", "1980-04-02", {"Friends", "Work"}, "",
                                     "cy@example.com"),
                              {"111", "222"}),
                   person("Di", "", "555"), person("Ed", "", "666", "0-04-02")},
                  {"Friends", "Work"}}},
        FileCase{
            "OutlookAnsiWindows1252WithCompanyAndPrimaryPhone",
            "First Name;Last Name;Company;Primary Phone;Business Phone;Mobile Phone\r\n"
            "\xC5sa;\xD6hman;;;08-111 11 11;\r\n"
            ";;R\xF6rmokar'n i Solna AB;08-123 456 78;;\r\n"
            "Bo;\xC5gren \x80;;08-222 22 22;;070-333 33 33\r\n",
            {{person("\u00c5sa", "\u00d6hman", "08-111 11 11"),
              person("R\u00f6rmokar'n i Solna AB", "", "08-123 456 78"),
              withOthers(person("Bo", "\u00c5gren \u20ac", "070-333 33 33"), {"08-222 22 22"})},
             {}}},
        FileCase{
            "ThunderbirdHeader",
            "First Name,Last Name,Display Name,Nickname,Primary Email,Work Phone,Mobile Number,"
            "Birth Year,Birth Month,Birth Day\n"
            ",,Eve Ray,,eve@example.com,111,222,1975,12,31\n",
            {{withOthers(person("Eve Ray", "", "222", "1975-12-31", {}, "", "eve@example.com"),
                         {"111"})},
             {}}},
        FileCase{"PlainWithSemicolonsAndBom",
                 "\xEF\xBB\xBFname;phone;group\r\nAnn Lee;0170 1234567;Family\r\n\r\nBob;222;\r\n",
                 {{person("Ann Lee", "", "0170 1234567", "0-00-00", {"Family"}),
                   person("Bob", "", "222")},
                  {"Family"}}},
        FileCase{"QuotedSeparatorsQuotesAndLineBreaks",
                 "name,phone,group\n\"Lee, \"\"Ann\"\"\",\"111\",\"Line\nbreak; group\"\n"
                 "Cy,333,\n",
                 {{person("Lee, \"Ann\"", "", "111", "0-00-00", {"Line\nbreak; group"}),
                   person("Cy", "", "333")},
                  {"Line\nbreak; group"}}},
        FileCase{"UnbalancedQuote",
                 "name,phone\nAnn,111\n\"Bob,222\nCy,333\n",
                 {},
                 {ReadProblem::UnbalancedQuote, 3}},
        FileCase{"NotTheUtf8ItsMarkSays",
                 "\xEF\xBB\xBFname,phone\nAnn,111\nRen\xE9,222\n",
                 {},
                 {ReadProblem::InvalidUtf8, 3}},
        FileCase{"BinaryData", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR"s, {}, {ReadProblem::BinaryData, 3}},
        FileCase{"NoHeaderRow", "Ann,4670123456\n", {}, {ReadProblem::NoHeader, 1}},
        FileCase{"Empty", "", {}, {ReadProblem::NoContacts, 0}}));

// Their speed is measured in bench/contacts; here they must simply read, or be refused.
TEST(ContactFiles, HugeLinesAndFilesAreReadOrRefused) {
    const std::string longName(10u << 20, 'a');
    const ContactRead vcard = readVCards(card("3.0", "FN:" + longName + "\r\n"));
    ASSERT_EQ(vcard.book.contacts.size(), 1u);
    EXPECT_EQ(vcard.book.contacts[0].firstName.size(), longName.size());
    const ContactRead csv = readCsv("name,phone\n" + longName + ",111\n");
    ASSERT_EQ(csv.book.contacts.size(), 1u);
    EXPECT_EQ(csv.book.contacts[0].firstName.size(), longName.size());

    std::string folded = "NOTE:start";
    for (int i = 0; i < 100000; ++i)
        folded += "\r\n more";
    const ContactRead unfolded = readVCards(card("3.0", folded + "\r\nFN:Ann\r\nTEL:111\r\n"));
    EXPECT_EQ(unfolded.book.contacts, std::vector<Contact>{person("Ann", "", "111")});

    const std::string fiftyMegabytes = "BEGIN:VCARD\r\n" + std::string(50u << 20, ' ');
    EXPECT_EQ(readContacts(fiftyMegabytes).error.problem, ReadProblem::TooLarge);
}

TEST(ContactWriters, WhatIsWrittenReadsBackTheSame) {
    const std::string longName(120, 'x');
    ContactBook book{{person("Ann", "Lee", "+46701234567", "1980-04-02",
                             {"Family", "Work; Office, 2nd"}, "Annie", "ann@example.com"),
                      person("J\u00fcrgen \u00d6zt\u00fcrk " + longName, "O'Brien \\ \"Jr\"",
                             "4930123456", "0-04-02", {"Family"}),
                      person("Cy", "", "111", "1980-00-00"),
                      person("", "", "222", "1980-04-00", {}, "Di"),
                      person("Lines\nin name", " spaced", "", "0-00-00", {"\u00c9quipe"})},
                     {"Family", "Work; Office, 2nd", "\u00c9quipe", "Empty, \"quoted\""}};
    book.contacts[1].topLevel = true; // and in Family: the mark of this program's own files
    const ContactRead vcard = readVCards(writeVCards(book));
    ASSERT_TRUE(vcard.ok()) << readProblemName(vcard.error.problem);
    ContactBook trimmed = book; // values lose their outer blanks when read
    trimmed.contacts[4].lastName = "spaced";
    EXPECT_EQ(vcard.book, trimmed);
    const ContactRead csv = readCsv(writeCsv(book));
    ASSERT_TRUE(csv.ok()) << readProblemName(csv.error.problem);
    EXPECT_EQ(csv.book, trimmed);
}

} // namespace
} // namespace textowl
