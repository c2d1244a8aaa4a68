#include "testmain.h"

class FileInfoCacheTest : public QObject {
    Q_OBJECT
};

BRISKLET_TEST(FileInfoCacheTest)
#include "tst_fileinfocache.moc"
