#include "app/MainWindow.h"
#include "core/common/ScalarTypes.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    Q_INIT_RESOURCE(resources);
    QApplication application(argc, argv);
    RegisterScalarTypeNames();
    MainWindow window(nullptr);
    window.show();
    return application.exec();
}
