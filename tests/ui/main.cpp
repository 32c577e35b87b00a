// The desktop program's Qt Test suites, sharing one application object.
#include "UiTest.h"
#include "ui/preview/LivePreview.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The editor's browser needs this before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qle::ui::RegisterPreviewScheme();
    QApplication app(argc, argv);
    int failed = 0;
    for (auto run : qle::test::Suites())
        failed += run(argc, argv);
    return failed == 0 ? 0 : 1;
}
