#pragma once

#include <QObject>

namespace qle::test {

// The main window's menus and site files: the start dialog, New, Open and OpenSite.
class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void menusFollowTheTable();
    void siteMenusWaitForASite();
    void startDialogCreatesSites_data();
    void startDialogCreatesSites();
    void startDialogLeavesFilesAlone_data();
    void startDialogLeavesFilesAlone();
    void startDialogListsSitesAndRecent();
    void startDialogWithoutApplicationDatabase();
    void fileMenuNewSite();
    void fileMenuOpenSite();
    void openingASecondSiteReloadsTheEditor();
    void wrongFileIsNotOpened();
    void helpShowsTheShippedPage();
    void closingTheWindowSavesAndEnds();
};

} // namespace qle::test
