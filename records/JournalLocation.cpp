#include "records/JournalLocation.h"

#include "records/Environment.h"

namespace galt {

JournalPlace ChooseJournal(const std::optional<std::filesystem::path>& given) {
  if (given) return {*given, JournalSource::Option};
  if (std::optional<std::filesystem::path> chosen = EnvironmentValue("GALT_JOURNAL")) {
    return {*chosen, JournalSource::Environment};
  }
  return {StandardJournalPath(), JournalSource::Default};
}

std::filesystem::path JournalPath() { return ChooseJournal().path; }

}  // namespace galt
