// The site's spelling language (the `Options` field `Spell_Language`): the installed dictionaries,
// and first the system's language, which an empty field means.
#pragma once

#include <QComboBox>

namespace qle::ui {

class LanguageBox : public QComboBox
{
    Q_OBJECT
    // The property a data widget mapper reads and writes: the language code, empty for the system's.
    Q_PROPERTY(QString language READ language WRITE setLanguage USER true)

public:
    explicit LanguageBox(QWidget* parent = nullptr);

    QString language() const;
    // A stored language without a dictionary is shown as such, and kept.
    void setLanguage(const QString& language);
};

} // namespace qle::ui
