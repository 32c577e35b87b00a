#pragma once

#include <QObject>

namespace qle::test {

class PublishRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void directoryOnLeaving_data();
    void directoryOnLeaving();
    void rootOnLeaving_data();
    void rootOnLeaving();
    void publishedPageAddress_data();
    void publishedPageAddress();
    void nameFilters_data();
    void nameFilters();
    void siteFileCheck();
    void providerLookUp();
};

} // namespace qle::test
