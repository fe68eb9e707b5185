#pragma once

#include <QStringList>

// quillex-bench --video (see VideoBench.cpp).
int RunVideo(const QStringList& i_Args);
