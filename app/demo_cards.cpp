#include "app/demo_cards.h"

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string_view>

#include "app/card_data.h"
#include "app/card_record.h"
#include "app/list_keys.h"
#include "app/phone_lines.h"
#include "os/posix/file_names.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/std_date.h"
#include "storage/tnl/driver/tnl_driver.h"

namespace vantrel {
namespace {

// One invented card. Texts are Windows-1252; phone lines and contents lines
// are separated by "\n". `edited_after` days after its creation the card was
// saved again (0: never).
struct DemoCard {
  const char* last;
  const char* first;
  const char* company;
  bool by_company;
  const char* phones;
  const char* category;
  const char* contents;
  int edited_after;
};

// Numbers are in the 555-01xx range, which is kept for examples.
constexpr DemoCard kDemoCards[] = {
    // Family
    {"Hartley", "Margaret", "", false, "5550112\n2125550148\nMobile 555 0193",
     "Family", "Mom\n14 Orchard Lane\nMillbrook\nBirthday: 3 May", 40},
    {"Hartley", "Daniel", "", false, "Mobile 555 0173\n5550127", "Family",
     "Brother. Kids: Leo (9) and Mia (6).\nBirthday: 21 August", 0},
    {"Hartley", "Thomas", "", false, "5550119", "Family",
     "Grandpa. Call on Sundays after lunch; he is hard of hearing on the "
     "phone, so speak slowly.",
     0},
    {"Hartley-Cruz", "Sofia", "Cobalt Design Studio", false,
     "4155550129\nWork 4155550190", "Family",
     "Cousin. Designs our holiday cards every year.", 95},
    {"Okafor", "Grace", "", false, "3125550166", "Family",
     "Sister-in-law\n802 Lakeview Terrace, Apt 3B\nChicago", 0},
    {"Lindqvist", "Erik", "", false, "+46 8 555 0134", "Family",
     "Uncle Erik in Stockholm. Seven hours ahead.", 0},
    {"M\xFCller", "Anneliese", "", false, "+49 30 5550 1188", "Family",
     "Aunt Anne. Prefers letters to e-mail.\nBirthday: 11 February", 0},
    {"Brennan", "Clare", "", false, "5550140", "Family",
     "Godmother. Loves orchids.", 0},
    // Friends
    {"Alvarez", "Marco", "", false, "Mobile 5550181", "Friends",
     "Climbing on Thursdays. Owes me a book.", 0},
    {"Chen", "Wei", "", false, "6465550137", "Friends",
     "Met at the language course. Birthday: 2 October", 0},
    {"Dubois", "Camille", "", false, "5550155\n6465550102", "Friends",
     "Book club host, first Monday of the month.", 30},
    {"Fitzgerald", "Nora", "", false, "5550163", "Friends",
     "Neighbour from the old flat. Has a spare key to the garage.", 0},
    {"Kowalski", "Piotr", "", false, "7185550171", "Friends",
     "Bakes the best cheesecake. Allergic to nuts.", 0},
    {"Nakamura", "Yuki", "", false, "Mobile 555 0184", "Friends",
     "Photographer. Took the pictures at the wedding.", 0},
    {"O'Neill", "Sean", "", false, "5550191", "Friends",
     "Five-a-side football, Saturday mornings.", 0},
    {"Patel", "Priya", "", false, "2015550108", "Friends",
     "Running partner. Half marathon in April!", 60},
    {"Whitfield", "Zo\xEB", "", false, "5550146", "Friends",
     "Old school friend. Lives on a boat in the summer.", 0},
    // Work
    {"Reyes", "Carmen", "Brightwater Software", true,
     "2125550100\next. 214\n9175550126", "Work",
     "Team lead. One-to-one every second Tuesday.", 120},
    {"Hughes", "Oliver", "Brightwater Software", true, "2125550100\next. 230",
     "Work", "Release manager.", 0},
    {"", "", "Brightwater Software", true, "2125550100\nFax 2125550109", "Work",
     "Reception\n400 Meridian Avenue, 12th floor\nBadge needed after 6 pm.", 0},
    {"Moreau", "Julien", "Brightwater Software", false, "2125550100\next. 251",
     "Work", "Sits next to the window. Speaks French and Spanish.", 0},
    {"S\xF8rensen", "Lars", "Tidewell Logistics", true,
     "5550122\nMobile 555 0176", "Work",
     "Account manager for our shipments. Orders go out Tuesdays.", 0},
    {"Mbeki", "Thandi", "Tidewell Logistics", false, "5550122", "Work",
     "Customs paperwork.", 0},
    {"Adeyemi", "Tunde", "Tidewell Logistics", true, "5550122\next. 17", "Work",
     "Warehouse. Ask him about late deliveries.", 45},
    {"", "", "Cobalt Design Studio", true, "4155550190", "Work",
     "Logo and brochure for the spring campaign.\nInvoice via Sofia.", 0},
    {"Walsh", "Eileen", "Ironbridge Accounting", true, "6175550115", "Work",
     "Does our tax return. Papers due by the end of February.", 0},
    {"Grant", "Rebecca", "Harbor Street Legal Associates", true,
     "6175550143\nFax 6175550149", "Work",
     "Contracts and the lease. Bills in six-minute units.", 0},
    {"Ivanova", "Daria", "", false, "5550138", "Work",
     "Former colleague, now freelance. Good for database questions.", 0},
    // Doctors
    {"", "", "Birchwood Dental Care", true, "5550150\nEmergencies 5550159",
     "Doctors", "22 Birchwood Road\nCheck-up every six months.", 0},
    {"Halvorsen", "Ingrid", "Birchwood Dental Care", true, "5550150", "Doctors",
     "Dentist. Next check-up in October.", 200},
    {"Osei", "Kwame", "Harborview Medical Group", true, "2125550160", "Doctors",
     "Family doctor. Mornings only on Fridays.", 0},
    {"", "", "Harborview Medical Group", true,
     "Appointments\n2125550160\nAfter hours\n2125550169\nLab 5550162\nFax "
     "2125550168",
     "Doctors",
     "Harborview Medical Group\n1 Harbor Plaza\nBring the insurance card.", 0},
    {"Park", "Min-jun", "Summit Physical Therapy", true, "5550177", "Doctors",
     "Knee exercises: twice a day, three sets.", 0},
    {"", "", "Lakeside Veterinary Clinic", true, "5550185\n5550186", "Doctors",
     "Biscuit's vaccinations are due every March.", 0},
    {"Ramirez", "Lucia", "Lakeside Veterinary Clinic", false, "5550185",
     "Doctors", "Biscuit's vet. Very patient with nervous dogs.", 0},
    // Services
    {"", "", "Copperleaf Plumbing", true, "5550131\nMobile 555 0132",
     "Services", "Fixed the boiler in 2022. Ask for Ray.", 0},
    {"", "", "Redwood Auto Repair", true, "5550144", "Services",
     "Service every 15,000 km. Winter tyres stored there.", 0},
    {"Dawson", "Mike", "Redwood Auto Repair", true, "5550144\n5550147",
     "Services", "Mechanic. Honest about what can wait.", 0},
    {"", "", "Northgate Insurance", true, "18005550111\nClaims 18005550199",
     "Services", "Home and car policies. Renewal in September.", 75},
    {"Kessler", "Jonas", "Northgate Insurance", true, "5550116", "Services",
     "Our agent.", 0},
    {"", "", "Bluebell Florist", true, "5550157", "Services",
     "Mom's birthday flowers: order a week ahead.", 0},
    {"", "", "Maple Street Bakery", true, "5550124", "Services",
     "Birthday cakes to order. Closed on Mondays.", 0},
    {"", "", "Quillfeather Books", true, "5550195", "Services",
     "Orders any book in two days. Reading evenings in winter.", 0},
    {"Novak", "Helena", "", false, "5550168", "Services",
     "Piano teacher. Lessons Wednesdays at 5.", 0},
    {"Ferreira", "Tomas", "Sparkle Window Cleaning", true, "5550197",
     "Services", "Every second month. Cash only.", 0},
    // Clubs
    {"", "", "Pinecrest Tennis Club", true, "5550179", "Clubs",
     "Court bookings open a week ahead at 8 am.", 0},
    {"Bergstr\xF6m", "Karin", "Pinecrest Tennis Club", true, "5550179\n5550104",
     "Clubs", "Club secretary. Membership fees due in January.", 0},
    {"Hollis", "Amos", "Riverside Choir", false, "5550135", "Clubs",
     "Choir director. Rehearsals Tuesday 7.30 pm.", 0},
    {"", "", "Riverside Choir", true, "5550135", "Clubs",
     "St. Anne's Hall, Riverside Drive. Concert before Christmas.", 0},
    // No category
    {"Abernathy", "Walter", "", false, "5550103", "",
     "Next door, number 16. Waters the plants when we are away.", 0},
    {"Vance", "Lydia", "", false, "5550152", "",
     "Met at the garden show. Swaps seeds in spring.", 0},
    {"Mendes", "Rafael", "Tidewell Logistics", true, "5550122\next. 40", "",
     "Met at the trade fair. Interested in a demo.", 0},
};
static_assert(std::size(kDemoCards) == kDemoCardCount);

// The file's header and the cards are stamped from a fixed day on, a card
// every few days in the order above, at varying times of day.
constexpr int kFirstDay = 1, kFirstMonth = 3, kFirstYear = 2021;
constexpr int kDaysBetweenCards = 23;
constexpr int kFirstHour = 9, kWorkingHours = 9;
constexpr int kMinutesBetweenCards = 37;

struct Stamp {
  std::int32_t date;
  std::int32_t time;
};

Stamp StampOfCard(int index) {
  std::int32_t first = StandardDateFrom(kFirstDay, kFirstMonth, kFirstYear);
  int minutes = index * kMinutesBetweenCards % (kWorkingHours * 60);
  return {first + index * kDaysBetweenCards,
          StandardTimeFrom(kFirstHour + minutes / 60, minutes % 60, 0, 0)};
}

// Line breaks as a text control stores them.
std::string WithLineBreaks(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// The card as the card window saves it: phone lines laid out, list keys
// composed, live, with its stamps.
void FillCard(CardRecord& card, const DemoCard& demo, int index) {
  ClearCard(card);
  Assign(card.LASTNAME, demo.last);
  Assign(card.FIRSTNAME, demo.first);
  Assign(card.COMPANY, demo.company);
  card.LISTBYCOMPANY = demo.by_company ? 1 : 0;
  PhoneLines phones = SplitPhones(demo.phones);
  FormatPhones(phones);
  TrimPhones(phones);
  Assign(card.PHONES, JoinPhones(phones));
  Assign(card.CATEGORY, demo.category);
  Assign(card.CONTENTS, WithLineBreaks(demo.contents));
  ComposeListKeys(card);
  card.DELETED = 0;
  Stamp created = StampOfCard(index + 1);
  card.CREATEDDATE = created.date;
  card.CREATEDTIME = created.time;
  card.CHANGEDDATE = created.date + demo.edited_after;
  card.CHANGEDTIME = created.time;
}

// The header a new card file starts with; its changed stamp, the last
// export, is its creation.
void FillHeader(CardRecord& header) {
  ClearCard(header);
  Stamp created = StampOfCard(0);
  header.CREATEDDATE = header.CHANGEDDATE = created.date;
  header.CREATEDTIME = header.CHANGEDTIME = created.time;
}

// The header and the cards in one transaction: one write of the file
// instead of one per record.
bool WriteCards(FileDeclaration& file, CardRecord& record) {
  Create(file);
  if (ErrorCode() != 0) return false;
  Open(file, kDefaultOpenMode);
  if (ErrorCode() != 0) return false;
  Logout(file, kLogoutWaitSeconds);
  bool written = ErrorCode() == 0;
  if (written) {
    FillHeader(record);
    Add(file);
    for (int i = 0; i < kDemoCardCount && ErrorCode() == 0; ++i) {
      FillCard(record, kDemoCards[i], i);
      Add(file);
    }
    written = ErrorCode() == 0;
    if (written) {
      Commit(file);
      written = ErrorCode() == 0;
    } else {
      Rollback(file);
    }
  }
  Close(file);
  return written && ErrorCode() == 0;
}

}  // namespace

bool WriteDemoCardFile(const std::string& path) {
  std::error_code error;
  if (path.empty() || std::filesystem::exists(path, error)) return false;
  RegisterTarnelDriver();
  // Written under another name first, so that a failure leaves no half
  // card file where the program would open it.
  const std::string part = path + ".part";
  CardRecord record;
  FileDeclaration file;
  DeclareCardFile(file, "VTL", record);
  file.name = part;
  bool written = WriteCards(file, record);
  if (!written || !RenameFile(part, path)) {
    RemoveFile(part);
    return false;
  }
  return true;
}

std::string DemoCardFilePath() {
  const char* data_home = std::getenv("XDG_DATA_HOME");
  std::string directory;
  if (data_home != nullptr && data_home[0] == '/') {
    directory = data_home;
  } else {
    const char* home = std::getenv("HOME");
    directory = std::string(home != nullptr ? home : "") + "/.local/share";
  }
  return directory + "/vantrel/demo.vtl";
}

std::string ProvideDemoCardFile() {
  std::string path = DemoCardFilePath();
  if (path.size() > kCurrentFileNameLength) return {};
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error)) return path;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(),
                                      error);
  return WriteDemoCardFile(path) ? path : std::string();
}

}  // namespace vantrel
