#include "ui/spell/SpellService.h"

#include "app/SpellChecker.h"

#include <QLocale>

namespace qle::ui {

namespace {

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('_');
}

// Joins a word's parts: "don't", "well-known".
bool IsJoiner(QChar c)
{
    return c == QLatin1Char('\'') || c == QChar(0x2019) || c == QLatin1Char('-');
}

} // namespace

QList<WordSpan> WordsToCheck(QStringView text)
{
    QList<WordSpan> words;
    const int size = static_cast<int>(text.size());
    int i = 0;
    while (i < size) {
        const QChar c = text[i];
        if (c == QLatin1Char('<') && text.mid(i, 4) == QLatin1String("<!--")) {
            const int end = static_cast<int>(text.indexOf(QLatin1String("-->"), i + 4));
            i = end < 0 ? size : end + 3;
            continue;
        }
        if (c == QLatin1Char('<') && i + 1 < size &&
            (text[i + 1].isLetter() || text[i + 1] == QLatin1Char('/') || text[i + 1] == QLatin1Char('!'))) {
            const int end = static_cast<int>(text.indexOf(QLatin1Char('>'), i));
            i = end < 0 ? size : end + 1;
            continue;
        }
        if (c == QLatin1Char('&')) {
            int j = i + 1;
            while (j < size && j - i <= 10 && (text[j].isLetterOrNumber() || text[j] == QLatin1Char('#')))
                ++j;
            if (j < size && j > i + 1 && text[j] == QLatin1Char(';')) {
                i = j + 1;
                continue;
            }
        }
        if (!IsWordChar(c)) {
            ++i;
            continue;
        }
        int end = i;
        bool plain = true;
        while (end < size) {
            if (IsWordChar(text[end])) {
                plain = plain && !text[end].isDigit() && text[end] != QLatin1Char('_');
                ++end;
            } else if (IsJoiner(text[end]) && end + 1 < size && text[end + 1].isLetter() && end > i) {
                ++end;
            } else {
                break;
            }
        }
        if (plain)
            words.append({i, end - i});
        i = end;
    }
    return words;
}

WordSpan WordAt(QStringView text, int position)
{
    for (const WordSpan& word : WordsToCheck(text))
        if (position >= word.start && position <= word.start + word.length)
            return word;
    return {};
}

SpellService::SpellService(QObject* parent)
    : QObject(parent)
{
}

SpellService::~SpellService() = default;

QStringList SpellService::installedLanguages()
{
    QStringList languages;
    for (const auto& dictionary : app::FindDictionaries(app::DictionaryFolders()))
        languages << QString::fromStdString(dictionary.language);
    return languages;
}

QString SpellService::languageName(const QString& language)
{
    const QLocale locale(language);
    if (locale.language() == QLocale::C)
        return language;
    QString name = QLocale::languageToString(locale.language());
    if (language.contains(QLatin1Char('_')) && locale.territory() != QLocale::AnyTerritory)
        name += QStringLiteral(" (%1)").arg(QLocale::territoryToString(locale.territory()));
    return name;
}

void SpellService::setLanguage(const QString& language)
{
    const QString wanted = language.isEmpty() ? QString::fromStdString(app::SystemLanguage()) : language;
    if (wanted == m_language && (m_checker || !m_status.isEmpty()))
        return;
    m_language = wanted;
    m_checker.reset();
    m_misspelt.clear();
    m_status.clear();
    const auto dictionaries = app::FindDictionaries(app::DictionaryFolders());
    const auto found = std::find_if(dictionaries.begin(), dictionaries.end(), [&](const app::Dictionary& d) {
        return QString::fromStdString(d.language) == wanted;
    });
    if (found == dictionaries.end()) {
        m_status = tr("Spelling is not checked: no dictionary for %1 is installed.").arg(languageName(wanted));
    } else if (auto checker = app::SpellChecker::open(*found, app::PersonalWordListPath(found->language))) {
        m_checker = std::move(checker.value());
    } else {
        m_status = tr("Spelling is not checked: %1").arg(QString::fromStdString(checker.status().message()));
    }
    emit changed();
}

bool SpellService::isMisspelt(const QString& word) const
{
    if (!m_checker || word.isEmpty())
        return false;
    const auto cached = m_misspelt.constFind(word);
    if (cached != m_misspelt.constEnd())
        return *cached;
    const bool misspelt = !m_checker->isCorrect(word.toStdString());
    m_misspelt.insert(word, misspelt);
    return misspelt;
}

QStringList SpellService::suggestions(const QString& word) const
{
    QStringList list;
    if (m_checker)
        for (const auto& suggestion : m_checker->suggestions(word.toStdString()))
            list << QString::fromStdString(suggestion);
    return list;
}

void SpellService::addWord(const QString& word)
{
    if (!m_checker || word.isEmpty())
        return;
    if (Status s = m_checker->addWord(word.toStdString()); !s.ok())
        m_status = QString::fromStdString(s.message());
    m_misspelt.insert(word, false);
    emit changed();
}

} // namespace qle::ui
