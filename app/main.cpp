#include "app/MainWindow.h"
#include "core/common/ScalarTypes.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    Q_INIT_RESOURCE(resources);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 always scales; Qt 5 must be told before the application exists,
    // or the window draws at half size on a 200% screen.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#endif
    QApplication application(argc, argv);
    RegisterScalarTypeNames();
    MainWindow window(nullptr);
    window.show();
    return application.exec();
}
