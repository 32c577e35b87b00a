#pragma once

#include <QObject>

namespace qle::test {

// The View and Publish tabs and the provider catalogue.
class ViewPublishTest : public QObject
{
    Q_OBJECT

private slots:
    void providerFillsTheFtpFields();
    void leavingTheBoxes();
    void openMyWebPage();
    void freeWebSpaceCatalogue();
    void buildFromTheViewTab();
    void webSiteMenuBuildsOnTheViewTab();
    void failedBuildIsShown();
    void publishWritesTheUploadFiles();
    void publishBeforeAnyBuildIsAbandoned();
    void consoleWindowShowsTheUpload();
};

} // namespace qle::test
