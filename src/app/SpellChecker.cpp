#include "app/SpellChecker.h"

#include "app/Paths.h"

#include <hunspell.hxx>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <map>

namespace qle::app {

namespace {

namespace fs = std::filesystem;

// Debian's folders, and the older MySpell one some dictionaries still use.
constexpr const char* kSystemFolders[] = {"/usr/share/hunspell", "/usr/share/myspell", "/usr/share/myspell/dicts"};

bool IsUtf8(std::string encoding)
{
    std::transform(encoding.begin(), encoding.end(), encoding.begin(), [](unsigned char c) { return std::tolower(c); });
    encoding.erase(std::remove(encoding.begin(), encoding.end(), '-'), encoding.end());
    return encoding.empty() || encoding == "utf8";
}

std::optional<std::string> Convert(const std::string& from, const std::string& to, const std::string& text)
{
    iconv_t cd = ::iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string in = text;
    std::string out(text.size() * 4 + 8, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    const std::size_t done = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (done == static_cast<std::size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace

std::vector<std::string> DictionaryFolders()
{
    std::vector<std::string> folders;
    if (const char* path = std::getenv("DICPATH")) {
        std::string list = path;
        for (std::size_t start = 0; start <= list.size();) {
            const std::size_t end = std::min(list.find(':', start), list.size());
            if (end > start)
                folders.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    folders.insert(folders.end(), std::begin(kSystemFolders), std::end(kSystemFolders));
    return folders;
}

std::vector<Dictionary> FindDictionaries(const std::vector<std::string>& folders)
{
    std::map<std::string, Dictionary> found;
    for (const auto& folder : folders) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            const fs::path& aff = entry.path();
            if (aff.extension() != ".aff")
                continue;
            fs::path dic = aff;
            dic.replace_extension(".dic");
            const std::string language = aff.stem().string();
            if (!fs::is_regular_file(aff, ec) || !fs::is_regular_file(dic, ec) || found.count(language))
                continue;
            found[language] = {language, aff.string(), dic.string()};
        }
    }
    std::vector<Dictionary> dictionaries;
    for (auto& [language, dictionary] : found)
        dictionaries.push_back(std::move(dictionary));
    return dictionaries;
}

std::string SystemLanguage()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value)
            continue;
        std::string locale = value;
        locale = locale.substr(0, locale.find_first_of(".@"));
        if (locale == "C" || locale == "POSIX" || locale.empty())
            break;
        return locale;
    }
    return "en_US";
}

std::string PersonalWordListPath(const std::string& language)
{
    const char* home = std::getenv("HOME");
    return WithTrailingSlash(home ? home : "") + ".local/share/quillon-engine/words-" + language + ".txt";
}

SpellChecker::SpellChecker(std::unique_ptr<Hunspell> hunspell, std::string language, std::string encoding,
                           std::string personalList)
    : m_hunspell(std::move(hunspell))
    , m_language(std::move(language))
    , m_encoding(std::move(encoding))
    , m_personalList(std::move(personalList))
{
}

SpellChecker::~SpellChecker() = default;

Result<std::unique_ptr<SpellChecker>> SpellChecker::open(const Dictionary& dictionary, std::string personalList)
{
    for (const auto& path : {dictionary.affPath, dictionary.dicPath}) {
        std::ifstream probe(path);
        if (!probe)
            return Status::NotFound("The dictionary " + path + " cannot be read");
    }
    auto hunspell = std::make_unique<Hunspell>(dictionary.affPath.c_str(), dictionary.dicPath.c_str());
    const std::string encoding = hunspell->get_dict_encoding();
    std::unique_ptr<SpellChecker> checker(new SpellChecker(std::move(hunspell), dictionary.language,
                                                           IsUtf8(encoding) ? std::string() : encoding,
                                                           std::move(personalList)));
    std::ifstream words(checker->m_personalList);
    for (std::string word; std::getline(words, word);) {
        if (!word.empty() && word.back() == '\r')
            word.pop_back();
        if (auto converted = checker->toDictionary(word); converted && !converted->empty())
            checker->m_hunspell->add(*converted);
    }
    return checker;
}

std::optional<std::string> SpellChecker::toDictionary(const std::string& word) const
{
    return m_encoding.empty() ? std::optional<std::string>(word) : Convert("UTF-8", m_encoding, word);
}

std::string SpellChecker::fromDictionary(const std::string& word) const
{
    return m_encoding.empty() ? word : Convert(m_encoding, "UTF-8", word).value_or(std::string());
}

bool SpellChecker::isCorrect(const std::string& word) const
{
    const auto converted = toDictionary(word);
    return !converted || m_hunspell->spell(*converted); // a word the dictionary cannot spell is not judged
}

std::vector<std::string> SpellChecker::suggestions(const std::string& word, std::size_t limit) const
{
    std::vector<std::string> result;
    const auto converted = toDictionary(word);
    if (!converted)
        return result;
    for (const auto& suggestion : m_hunspell->suggest(*converted)) {
        if (result.size() >= limit)
            break;
        if (std::string text = fromDictionary(suggestion); !text.empty())
            result.push_back(std::move(text));
    }
    return result;
}

Status SpellChecker::addWord(const std::string& word)
{
    if (auto converted = toDictionary(word))
        m_hunspell->add(*converted);
    std::error_code ec;
    fs::create_directories(FolderOfPath(m_personalList), ec);
    std::ofstream out(m_personalList, std::ios::app);
    out << word << '\n';
    out.flush();
    if (!out)
        return Status::IoError("The word could not be kept in " + m_personalList);
    return Status::OK();
}

} // namespace qle::app
