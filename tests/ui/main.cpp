// The desktop program's Qt Test suites, sharing one application object.
#include <QApplication>

namespace qle::test {
int RunPublishRulesTests(int argc, char** argv);
int RunMainWindowTests(int argc, char** argv);
int RunSiteEditorTests(int argc, char** argv);
int RunViewPublishTests(int argc, char** argv);
} // namespace qle::test

namespace qle::ui::test {
int RunSplashTests(int argc, char** argv);
int RunAboutTests(int argc, char** argv);
int RunOptionsTests(int argc, char** argv);
int RunColoursBannerTests(int argc, char** argv);
} // namespace qle::ui::test

int main(int argc, char** argv)
{
    // The editor's browser needs this before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    using namespace qle::test;
    using namespace qle::ui::test;
    int failed = 0;
    for (auto run : {RunPublishRulesTests, RunMainWindowTests, RunSiteEditorTests, RunViewPublishTests, RunSplashTests,
                     RunAboutTests, RunOptionsTests, RunColoursBannerTests})
        failed += run(argc, argv);
    return failed == 0 ? 0 : 1;
}
