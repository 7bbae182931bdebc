#include "inspect/inspect_installer.h"

#include "format/package_reader.h"
#include "inspect/file_digests.h"
#include "inspect/image_description.h"
#include "inspect/package_json.h"
#include "inspect/package_listing.h"

namespace mkpackage {

bool inspectInstaller(const std::filesystem::path& path, bool json, std::ostream& out, std::ostream& errors) {
    if (!json) {
        const fmt::PackageReport report = fmt::verifyPackageFile(path.string());
        const ImageDescription image = describeProgramImage(path, report.packageStart);
        printReport(report, out, errors, report.packageFound ? &image : nullptr);
        return report.defect.empty();
    }
    FileDigests digests;
    const fmt::PackageReport report = fmt::verifyPackageFile(path.string(), digests.observer());
    const ImageDescription image = describeProgramImage(path, report.packageStart);
    printReportJson(report, digests, out, report.packageFound ? &image : nullptr);
    if (!report.defect.empty()) errors << "defect: " << report.defect << "\n";
    return report.defect.empty();
}

bool printInstallerReport(const std::filesystem::path& path, std::ostream& out) {
    return inspectInstaller(path, false, out, out);
}

}  // namespace mkpackage
