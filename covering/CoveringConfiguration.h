#pragma once

#include <QJsonObject>

class PAGE_COVERING_OPTION;

// The covering page's part of a configuration file. Writing reads the
// controls into a set-up record. Reading takes the record as the core brings
// it into range (SetupRender::CoveringFromSetup) and sets the controls to it
// in the order of the file's keys, through their own change handling, as if
// the user had set them.
class CoveringConfiguration
{
public:
    static void Write(const PAGE_COVERING_OPTION& i_Page, QJsonObject& io_Top);
    static void Read(PAGE_COVERING_OPTION& io_Page, const QJsonObject& i_Top);
};
