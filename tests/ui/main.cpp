// The desktop program's Qt Test suites, sharing one application object.
#include "MainWindow_test.h"
#include "PublishRules_test.h"
#include "SiteEditor_test.h"
#include "ViewPublish_test.h"

#include <QApplication>
#include <QTest>

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    int failures = 0;
    qle::test::PublishRulesTest rules;
    failures += QTest::qExec(&rules, argc, argv);
    qle::test::MainWindowTest mainWindow;
    failures += QTest::qExec(&mainWindow, argc, argv);
    qle::test::SiteEditorTest editor;
    failures += QTest::qExec(&editor, argc, argv);
    qle::test::ViewPublishTest viewPublish;
    failures += QTest::qExec(&viewPublish, argc, argv);
    return failures == 0 ? 0 : 1;
}
