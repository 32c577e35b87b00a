#include "ui/spell/LanguageBox.h"

#include "app/SpellChecker.h"
#include "ui/spell/SpellService.h"

namespace qle::ui {

LanguageBox::LanguageBox(QWidget* parent)
    : QComboBox(parent)
{
    const QString system = QString::fromStdString(app::SystemLanguage());
    addItem(tr("System language: %1").arg(SpellService::languageName(system)), QString());
    for (const QString& language : SpellService::installedLanguages())
        addItem(SpellService::languageName(language), language);
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
}

QString LanguageBox::language() const
{
    return currentData().toString();
}

void LanguageBox::setLanguage(const QString& language)
{
    int index = findData(language.trimmed());
    if (index < 0) {
        addItem(tr("%1 (no dictionary installed)").arg(SpellService::languageName(language.trimmed())),
                language.trimmed());
        index = count() - 1;
    }
    setCurrentIndex(index);
}

} // namespace qle::ui
