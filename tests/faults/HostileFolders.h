// Hostile scratch folders for the catalogue fault tests: every path of the installation
// lies below a folder whose name holds spaces, quotes and non-ASCII characters.
#pragma once

#include "CatalogueFixture.h"
#include "catalogue/SupportMachine.h"

#include <memory>

namespace faultstest {

inline const QString kHostile = QStringLiteral("Q \"x\" 'y' \u00e9 \u65e5\u672c");

class HostileFolders : public cataloguetest::CatalogueTest {
protected:
    void SetUp() override {
        // The package lands below a folder with a hostile name.
        m_hostile = std::make_unique<testsupport::TemporaryFolderNamed>(
            QStringLiteral("Orvel \"Printer\" 'Utility' \u00e9 \u65e5\u672c"));
        CatalogueTest::SetUp();
        ASSERT_TRUE(base().contains(kHostile.right(2)));
    }
    void TearDown() override {
        CatalogueTest::TearDown();
        m_hostile.reset();
    }

    QStringList scan(OSStatus* status = nullptr) const {
        CSupportMachine machines;
        const OSStatus result = machines.OnInitialize(machineFolder());
        if (status)
            *status = result;
        QStringList models;
        for (long i = 0; i < machines.GetSupportPrinterCount(); ++i)
            models.append(machines.GetPrinterNameWithIndex(i));
        return models;
    }

    std::unique_ptr<testsupport::TemporaryFolderNamed> m_hostile;
};

} // namespace faultstest
