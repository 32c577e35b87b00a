// The desktop program's Qt Test suites, sharing one application object.
#include <QApplication>

namespace qle::test {
int RunPublishRulesTests(int argc, char** argv);
int RunMainWindowTests(int argc, char** argv);
int RunSiteEditorTests(int argc, char** argv);
int RunViewPublishTests(int argc, char** argv);
} // namespace qle::test

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    using namespace qle::test;
    int failed = 0;
    for (auto run : {RunPublishRulesTests, RunMainWindowTests, RunSiteEditorTests, RunViewPublishTests})
        failed += run(argc, argv);
    return failed == 0 ? 0 : 1;
}
