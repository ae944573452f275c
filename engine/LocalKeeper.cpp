#include "engine/LocalKeeper.h"

LocalKeeper::LocalKeeper(MappingKeeper& keeper, QObject* parent) : KeeperView(parent), m_keeper(keeper)
{
    connect(&keeper, &MappingKeeper::logged, this, &KeeperView::logged);
    connect(&keeper, &MappingKeeper::statusChanged, this, &KeeperView::statusChanged);
    connect(&keeper, &MappingKeeper::linesChanged, this, &KeeperView::linesChanged);
    connect(&keeper, &MappingKeeper::externalAddressChanged, this, &KeeperView::externalAddressChanged);
    connect(&keeper, &MappingKeeper::internalClientChanged, this, &KeeperView::internalClientChanged);
    connect(&keeper, &MappingKeeper::fileWritten, this, &KeeperView::fileWritten);
    connect(&keeper, &MappingKeeper::addRefused, this, &KeeperView::addRefused);
}
