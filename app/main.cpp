#include "ScalarTypes.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    RegisterScalarTypeNames();
    return 0;
}
