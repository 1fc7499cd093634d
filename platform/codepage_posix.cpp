// The active code page off Windows: chosen once from the environment, converted by the
// converter for its kind.
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <utility>

#include "platform/codepage.h"
#include "platform/codepage_choice.h"
#include "platform/codepage_converters.h"

namespace platform::codepage {
namespace {

constexpr unsigned kUtf8 = 65001;
constexpr unsigned kWindows1252 = 1252;

// 0 until a code page is chosen: the first conversion chooses from the environment.
std::atomic<unsigned> active{0};

// Upper case without '-' and '_', the ways one character set is spelt ("utf8", "UTF-8").
std::string Normalized(std::string_view charset) {
    std::string name;
    for (const char c : charset) {
        if (c != '-' && c != '_') name.push_back(static_cast<char>(std::toupper(c)));
    }
    return name;
}

// The character set of the user's locale. A locale the system has not installed still
// names its set ("pl_PL.UTF-8"), which is what Windows would be told by the same name.
std::string LocaleCharset() {
    if (locale_t locale = newlocale(LC_CTYPE_MASK, "", locale_t{}); locale) {
        std::string charset = nl_langinfo_l(CODESET, locale);
        freelocale(locale);
        return charset;
    }
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value) continue;
        const std::string_view name(value);
        const auto dot = name.find('.');
        if (dot == std::string_view::npos) return "ANSI_X3.4-1968";
        return std::string(name.substr(dot + 1, name.find('@') - dot - 1));
    }
    return "ANSI_X3.4-1968";
}

unsigned LocaleCodePage() {
    const unsigned codePage = CodePageOfCharset(LocaleCharset());
    return Supported(codePage) ? codePage : kWindows1252;
}

unsigned Active() {
    unsigned codePage = active.load();
    if (codePage == 0) {
        ChooseFromEnvironment();
        codePage = active.load();
    }
    return codePage;
}

}  // namespace

unsigned CodePageOfCharset(std::string_view charset) {
    static const std::array<std::pair<std::string_view, unsigned>, 24> kPages{{
        {"UTF8", kUtf8},    {"ISO88591", 1252}, {"ISO885915", 1252}, {"ISO88592", 1250},
        {"ISO88595", 1251}, {"KOI8R", 1251},    {"KOI8U", 1251},     {"ISO88597", 1253},
        {"ISO88599", 1254}, {"ISO88598", 1255}, {"ISO88596", 1256},  {"ISO885913", 1257},
        {"ISO88594", 1257}, {"TIS620", 874},    {"EUCJP", 932},      {"SHIFTJIS", 932},
        {"SJIS", 932},      {"GB2312", 936},    {"GBK", 936},        {"GB18030", 936},
        {"EUCCN", 936},     {"EUCKR", 949},     {"BIG5", 950},       {"BIG5HKSCS", 950},
    }};
    const std::string name = Normalized(charset);
    for (const auto& [set, codePage] : kPages) {
        if (name == set) return codePage;
    }
    // A Windows page by its own name: "CP1251", "WINDOWS-1257".
    for (const std::string_view prefix : {"CP", "WINDOWS"}) {
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        unsigned codePage = 0;
        const char* digits = name.data() + prefix.size();
        const auto [end, error] = std::from_chars(digits, name.data() + name.size(), codePage);
        if (error == std::errc() && end == name.data() + name.size()) return codePage;
    }
    return kWindows1252;
}

bool Supported(unsigned codePage) {
    return codePage == kUtf8 || codePage == kWindows1252 || IconvConverts(codePage);
}

bool Use(unsigned codePage) {
    if (!Supported(codePage)) return false;
    active.store(codePage);
    return true;
}

std::optional<std::string> ChooseFromEnvironment() {
    const char* named = std::getenv("VANTREL_CODEPAGE");
    if (!named || !*named) {
        active.store(LocaleCodePage());
        return std::nullopt;
    }
    const std::string_view text(named);
    unsigned codePage = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), codePage);
    if (error == std::errc() && end == text.data() + text.size() && Use(codePage)) {
        return std::nullopt;
    }
    active.store(LocaleCodePage());
    return "VANTREL_CODEPAGE is \"" + std::string(text) +
           "\", which is no code page this program converts; it knows 65001 (UTF-8), 874, "
           "932, 936, 949, 950 and 1250 to 1258.";
}

unsigned ActiveCodePage() { return Active(); }

std::string Encode(std::u16string_view text) {
    const unsigned codePage = Active();
    if (codePage == kWindows1252) return EncodeWindows1252(text);
    if (codePage == kUtf8) return EncodeUtf8(text);
    return EncodeByIconv(codePage, text);
}

std::u16string Decode(std::string_view bytes) {
    const unsigned codePage = Active();
    if (codePage == kWindows1252) return DecodeWindows1252(bytes);
    if (codePage == kUtf8) return DecodeUtf8(bytes);
    return DecodeByIconv(codePage, bytes);
}

}  // namespace platform::codepage
