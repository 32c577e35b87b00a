#include "WindowTests.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The editor's browser needs this before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    using namespace qle::ui::test;
    int failed = 0;
    for (auto run : {RunSplashTests, RunAboutTests, RunOptionsTests, RunColoursBannerTests})
        failed += run(argc, argv);
    return failed == 0 ? 0 : 1;
}
