// Spelling through Hunspell dictionaries: which are installed, whether a word is spelt right,
// suggestions, and the author's own word list. Words are UTF-8 whatever the dictionary's encoding.
#pragma once

#include "store/Status.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class Hunspell;

namespace qle::app {

struct Dictionary
{
    std::string language; // the file name without ".aff": "en_US"
    std::string affPath;
    std::string dicPath;
};

// Where dictionaries are looked for, in order: the folders named in $DICPATH (':' between them, as
// Hunspell's own tools read it), then the system's.
std::vector<std::string> DictionaryFolders();

// The dictionaries of the folders (an .aff beside a .dic of the same name), one per language (the
// first folder that has it wins), sorted by language.
std::vector<Dictionary> FindDictionaries(const std::vector<std::string>& folders);

// The language of the locale the program runs in ($LC_ALL, $LC_MESSAGES, $LANG: "de_DE.UTF-8" gives
// "de_DE"); "en_US" when none names one (or it is "C" or "POSIX").
std::string SystemLanguage();

// The author's word list for a language: in the per-user folder, beside the program's own
// settings ($HOME/.local/share/quillon-engine/words-<language>.txt).
std::string PersonalWordListPath(const std::string& language);

class SpellChecker
{
public:
    // Loads the dictionary, and the words of `personalList` (one per line) when it exists. The
    // error names the dictionary that cannot be read.
    static Result<std::unique_ptr<SpellChecker>> open(const Dictionary& dictionary, std::string personalList);
    ~SpellChecker();
    SpellChecker(const SpellChecker&) = delete;
    SpellChecker& operator=(const SpellChecker&) = delete;

    const std::string& language() const { return m_language; }
    bool isCorrect(const std::string& word) const;
    // The dictionary's best guesses, best first (at most `limit`).
    std::vector<std::string> suggestions(const std::string& word, std::size_t limit = 8) const;
    // Accepts the word from now on and keeps it in the personal list (made, with its folder,
    // when missing). The error names the list.
    Status addWord(const std::string& word);

private:
    SpellChecker(std::unique_ptr<Hunspell> hunspell, std::string language, std::string encoding,
                 std::string personalList);
    // Between UTF-8 and the dictionary's encoding; nullopt when the word cannot be written in it.
    std::optional<std::string> toDictionary(const std::string& word) const;
    std::string fromDictionary(const std::string& word) const;

    std::unique_ptr<Hunspell> m_hunspell;
    std::string m_language;
    std::string m_encoding; // empty for UTF-8
    std::string m_personalList;
};

} // namespace qle::app
