#include "placement.h"

using namespace Qt::Literals::StringLiterals;

Placement placementOf(const QString &fileName)
{
    const QString name = fileName.toLower();
    if (name.contains(u"links"_s))
        return Placement::Catalogue;
    if (name.contains(u"marvoli.exe"_s) || name == u"marvoli"_s)
        return Placement::RunningPlayer;
    if (name.contains(u"mvnew"_s))
        return Placement::ReplacementPlayer;
    if (name.contains(u"readme"_s))
        return Placement::ReadMe;
    return Placement::Application;
}
