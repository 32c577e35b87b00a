// Spelling in the editor: the dictionary of the site's language, which words of a text to check
// (HTML tags, comments and character references are skipped), and whether a word is spelt right.
// Without a dictionary nothing is underlined and status() says why in one line.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

namespace qle::app {
class SpellChecker;
}

namespace qle::ui {

struct WordSpan
{
    int start = 0;
    int length = 0;
};

// The words of a text worth checking: runs of letters (an apostrophe or a hyphen inside a word
// belongs to it) outside HTML tags, comments and character references; words holding digits or
// underscores (file names, codes) are left out.
QList<WordSpan> WordsToCheck(QStringView text);

// The word at a position of the text (as WordsToCheck finds them); an empty span when none.
WordSpan WordAt(QStringView text, int position);

class SpellService : public QObject
{
    Q_OBJECT

public:
    explicit SpellService(QObject* parent = nullptr);
    ~SpellService() override;

    // The installed dictionaries' languages ("en_US"), sorted.
    static QStringList installedLanguages();
    // A language as the author reads it: "English (United States)".
    static QString languageName(const QString& language);

    // Checks in `language` (empty: the system's) from now on.
    void setLanguage(const QString& language);
    // The language checked, or asked for when its dictionary is missing.
    QString language() const { return m_language; }
    bool isActive() const { return m_checker != nullptr; }
    // Empty while checking; otherwise why not, in one line.
    QString status() const { return m_status; }

    // False for every word while no dictionary is in use.
    bool isMisspelt(const QString& word) const;
    QStringList suggestions(const QString& word) const;
    // Accepts the word from now on, here and in the author's word list; a list that cannot be
    // written is said in status().
    void addWord(const QString& word);

signals:
    // The language changed or a word was added: underlines are to be drawn again.
    void changed();

private:
    std::unique_ptr<app::SpellChecker> m_checker;
    QString m_language;
    QString m_status;
    mutable QHash<QString, bool> m_misspelt; // cache: checking is the costly part of drawing
};

} // namespace qle::ui
