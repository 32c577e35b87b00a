#pragma once

#include <QObject>

namespace qle::test {

// The site editor driven through its widgets: pages, pictures, tabs and the saving moments.
class SiteEditorTest : public QObject
{
    Q_OBJECT

private slots:
    void tabsAndFieldLimits();
    void pagesAreSavedAtEachMove();
    void forwardPastTheLastPageBeginsANewOne();
    void blankNewPageIsNotStored();
    void deletingPages();
    void closingSavesBothRecords();
    void choosingAPicture();
    void picturePreviewSizes_data();
    void picturePreviewSizes();
    void tabChoiceMovesTheFocus();
    void enterViewsTheSite();
    void longStoredValuesAreKeptWhole();
    void failedSaveKeepsTheEdits();
};

} // namespace qle::test
