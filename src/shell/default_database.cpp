#include "shell/default_database.h"

#include "shell/record_store.h"

namespace vorn {

OpenResult open_workbench_database(const std::filesystem::path& path) {
    OpenResult result;
    result.db = std::make_unique<Database>(path.string());
    return result;
}

}  // namespace vorn
