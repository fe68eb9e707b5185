#pragma once

#include <QStringList>

// quillex-bench --big-screens (see BigScreens.cpp).
int RunBigScreens(const QStringList& i_Args);
