#include "archive/dos_time.h"

namespace kzpzip {

namespace {

// Looking a year's rules up reads them from the registry, about 0.1 ms a
// call under Wine, more than the rest of a small file's extraction: the
// rules of the last few years asked for are kept. Extraction workers share
// them under the lock.
constexpr unsigned kKeptYears = 4;

struct YearRules {
  WORD year;
  TIME_ZONE_INFORMATION rules;
};

SRWLOCK g_lock = SRWLOCK_INIT;
YearRules g_kept[kKeptYears];
unsigned g_keptCount = 0;
unsigned g_nextSlot = 0;

bool RulesOfYear(WORD year, TIME_ZONE_INFORMATION* rules) {
  AcquireSRWLockExclusive(&g_lock);
  bool found = false;
  for (unsigned i = 0; i < g_keptCount && !found; ++i) {
    if (g_kept[i].year == year) {
      *rules = g_kept[i].rules;
      found = true;
    }
  }
  if (!found && GetTimeZoneInformationForYear(year, nullptr, rules)) {
    g_kept[g_nextSlot] = {year, *rules};
    g_nextSlot = (g_nextSlot + 1) % kKeptYears;
    if (g_keptCount < kKeptYears) ++g_keptCount;
    found = true;
  }
  ReleaseSRWLockExclusive(&g_lock);
  return found;
}

}  // namespace

// TzSpecificLocalTimeToSystemTime without rules of its own applies this
// year's dates of summer time to every year (New York before 2007 began it
// in April, not March); LocalFileTimeToFileTime even applies today's offset
// to every date.
bool DosTimeToFileTime(std::uint32_t dosDate, std::uint32_t dosTime, FILETIME* utc) {
  FILETIME stamp{};
  SYSTEMTIME local{};
  SYSTEMTIME universal{};
  if (!DosDateTimeToFileTime(static_cast<WORD>(dosDate), static_cast<WORD>(dosTime), &stamp) ||
      !FileTimeToSystemTime(&stamp, &local)) {
    return false;
  }
  TIME_ZONE_INFORMATION rules{};
  const TIME_ZONE_INFORMATION* zone = RulesOfYear(local.wYear, &rules) ? &rules : nullptr;
  return TzSpecificLocalTimeToSystemTime(zone, &local, &universal) &&
         SystemTimeToFileTime(&universal, utc);
}

}  // namespace kzpzip
