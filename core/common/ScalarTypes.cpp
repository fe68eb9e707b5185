#include "core/common/ScalarTypes.h"

void RegisterScalarTypeNames()
{
    qRegisterMetaType<Bool>("Bool");
    qRegisterMetaType<Byte>("Byte");
    qRegisterMetaType<Word>("Word");
    qRegisterMetaType<DWord>("DWord");
    qRegisterMetaType<QWord>("QWord");
    qRegisterMetaType<SByte>("SByte");
    qRegisterMetaType<SWord>("SWord");
    qRegisterMetaType<SDWord>("SDWord");
}
