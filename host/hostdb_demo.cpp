// Demo data for a new host database: a marketplace with its companies, operating organisations,
// departments and staff, merchants holding stalls under contracts, advance receipts, fee items and
// a few hundred expense advance documents with their lines. Everything comes from one fixed seed,
// so every new database holds the same rows and tests can rely on them.
#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>

#include "host/hostdb_sql.h"
#include "platform/rtl/sysutils.h"

namespace hostdb::detail {

namespace {

constexpr uint64_t kSeed = 0x66616E6F323137ull;  // "fano217"
constexpr int kDocuments = 320;

// splitmix64: small, fast and the same on every platform and library.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Range(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1)); }
  bool Chance(int percent) { return Range(1, 100) <= percent; }
  template <class T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<size_t>(Range(0, static_cast<int>(items.size()) - 1))];
  }

 private:
  uint64_t state_;
};

struct DemoFailure : std::runtime_error {
  DbStatus status;
  explicit DemoFailure(DbStatus st) : std::runtime_error(st.text), status(std::move(st)) {}
};

struct Staff {
  const char* account;
  const char* name;
  int department;  // index into kDepartments
};

const char* const kDepartments[][2] = {{"BM01", "招商部"},     {"BM02", "营运部"},     {"BM03", "财务部"},
                                       {"BM04", "物业管理部"}, {"BM05", "客户服务部"}, {"BM06", "市场推广部"},
                                       {"BM07", "信息部"},     {"BM08", "行政人事部"}};
constexpr int kLeasing = 0, kOperations = 1, kFinance = 2, kProperty = 3, kIt = 6;

const Staff kStaff[] = {
    {"admin", "系统管理员", kIt},      {"lijuan", "李娟", kFinance},      {"wangfang", "王芳", kFinance},
    {"chenjing", "陈静", kFinance},    {"liuyang", "刘洋", kFinance},     {"zhangwei", "张伟", kLeasing},
    {"zhaolei", "赵磊", kLeasing},     {"huangting", "黄婷", kLeasing},   {"zhoujie", "周杰", kLeasing},
    {"wugang", "吴刚", kOperations},   {"xumin", "徐敏", kOperations},    {"sunli", "孙丽", kOperations},
    {"machao", "马超", kOperations},   {"zhulin", "朱琳", kOperations},   {"hubin", "胡斌", kProperty},
    {"guoqiang", "郭强", kProperty},   {"hejing", "何静", kProperty},     {"gaojie", "高洁", 4},
    {"linfeng", "林峰", 4},            {"luodan", "罗丹", 5},             {"liangshuang", "梁爽", 5},
    {"songtao", "宋涛", kIt},          {"zhenghong", "郑红", 7},          {"xiewei", "谢薇", 7}};

const char* const kCompanies[][2] = {{"C01", "广州华南商贸城市场管理有限公司"},
                                     {"C02", "广州华南商贸城物业服务有限公司"}};

struct Org {
  const char* code;
  const char* name;
  const char* manager;
  const char* phone;
  int company;
};
const Org kOrgs[] = {{"YY01", "一期营运部", "陈国栋", "020-86120301", 0},
                     {"YY02", "二期营运部", "黄志明", "020-86120302", 0},
                     {"YY03", "服装城营运中心", "梁家辉", "020-86120303", 1},
                     {"YY04", "皮具城营运中心", "冯建华", "020-86120304", 1}};
// Zone of the market -> operating organisation.
const char kZones[] = {'A', 'B', 'C', 'D', 'E'};
const int kZoneOrg[] = {0, 0, 1, 2, 3};
const char* const kFloors[] = {"一楼", "二楼", "三楼"};

const char* const kDocTypes[][2] = {{"FD01", "一般费用垫付单"}, {"FD02", "水电费垫付单"}, {"FD03", "预收款动用单"}};

const char* const kSubjects[][2] = {{"1122", "应收账款"},   {"1221", "其他应收款"}, {"2203", "预收账款"},
                                    {"2241", "其他应付款"}, {"6602", "管理费用"}};

struct Fee {
  const char* code;
  const char* name;
  const char* type;  // 1 utilities collected for others, 2 management fees, 3 other
  int subject;
  int minYuan, maxYuan;
};
const Fee kFees[] = {{"F001", "水费", "1", 1, 30, 600},          {"F002", "电费", "1", 1, 150, 4800},
                     {"F003", "燃气费", "1", 1, 50, 900},        {"F004", "物业管理费", "2", 0, 300, 3000},
                     {"F005", "卫生费", "2", 0, 50, 300},        {"F006", "空调费", "2", 0, 200, 2500},
                     {"F007", "广告位费", "3", 3, 500, 8000},    {"F008", "停车费", "3", 3, 100, 1200},
                     {"F009", "网络费", "3", 4, 100, 600},       {"F010", "装修押金", "3", 3, 2000, 10000}};
constexpr int kUtilityFees = 3;  // the first three

const std::vector<std::string> kTradeNames = {"鸿发", "金利", "永兴", "福源", "顺达", "恒昌", "嘉禾", "瑞丰",
                                              "德润", "华强", "新宇", "锦绣", "荣盛", "天成", "万隆", "广信",
                                              "志诚", "宏图", "隆泰", "百汇", "金鼎", "富华", "兴业", "丰泽",
                                              "佳美", "利民", "通达", "海韵", "裕丰", "和信"};
const std::vector<std::string> kTrades = {"服饰", "鞋业", "皮具", "箱包", "布艺", "饰品",
                                          "童装", "针织", "家纺", "五金", "茶叶", "日杂"};
const std::vector<std::string> kSuffixes = {"商行", "经营部", "贸易有限公司", "批发部", "贸易商行"};
const std::vector<std::string> kSurnames = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周",
                                            "徐", "孙", "马", "朱", "胡", "郭", "何", "高", "林", "罗",
                                            "郑", "梁", "谢", "宋", "唐", "许", "韩", "冯", "邓", "曹"};
const std::vector<std::string> kGivenNames = {"建国", "秀英", "伟", "芳", "丽娟", "志强", "海燕", "文杰", "晓红", "国庆",
                                              "玉兰", "春生", "明", "静", "敏", "军", "洁", "涛", "斌", "霞"};

std::string Digits(int64_t value, int width) {
  std::string s = std::to_string(value);
  return s.size() < static_cast<size_t>(width) ? std::string(width - s.size(), '0') + s : s;
}

std::string YearMonth(TDateTime day) {
  int y, m, d;
  DecodeDate(day, y, m, d);
  return Digits(y, 4) + Digits(m, 2);
}

Variant Money(int64_t cents) { return Variant(static_cast<double>(cents) / 100.0); }
Variant Id(int64_t id) { return Variant::FromInt64(id); }
Variant When(TDateTime t) { return Variant::FromDateTime(t); }

class Filler {
 public:
  explicit Filler(sqlite3* db) : db_(db) {}

  void Run() {
    Reference();
    Merchants();
    Stalls();
    Contracts();
    Receipts();
    Documents();
  }

 private:
  int64_t Add(const char* table, const NamedValues& values) {
    const TableDef& t = *GetCatalog().FindTable(table);
    std::vector<BoundColumn> bound;
    DbStatus st = BindValues(t, values, bound);
    int64_t id = 0;
    if (st.ok()) st = InsertRow(db_, t, bound, id, &statements_);
    if (!st.ok()) throw DemoFailure(DbStatus::Error(st.code, "Demo data, " + t.name + ": " + st.text));
    return id;
  }

  // Every draw is a statement of its own: the order of operands in one expression is unspecified.
  std::string PersonName() {
    std::string surname = rng_.Pick(kSurnames);
    return surname + rng_.Pick(kGivenNames);
  }
  TDateTime TimeOfDay(int fromHour, int toHour) {
    int h = rng_.Range(fromHour, toHour);
    int mi = rng_.Range(0, 59);
    int s = rng_.Range(0, 59);
    return EncodeTime(h, mi, s, 0);
  }
  std::string Mobile() { return "13" + Digits(rng_.Range(0, 999999999), 9); }

  void Reference() {
    for (const auto& c : kCompanies) companies_.push_back(Add("TB_PUBCA", {{"PUBCA001", c[0]}, {"PUBCA002", c[1]}}));
    for (const Org& o : kOrgs)
      orgs_.push_back(Add("TB_PUBCB", {{"PUBCB001", o.code}, {"PUBCB002", o.name}, {"PUBCB003", o.manager},
                                       {"PUBCB004", o.phone}, {"PUBCB005", Id(companies_[o.company])}}));
    for (const auto& d : kDepartments) departments_.push_back(Add("TB_PUBCC", {{"PUBCC001", d[0]}, {"PUBCC002", d[1]}}));
    int n = 0;
    for (const Staff& s : kStaff) {
      int64_t id = Add("TB_PUBCD", {{"PUBCD001", "E" + Digits(++n, 4)},
                                    {"PUBCD002", s.account},
                                    {"PUBCD003", s.name},
                                    {"PUBCD004", Id(departments_[s.department])}});
      staff_.push_back({id, &s});
      staffOf_[s.department].push_back(staff_.size() - 1);
    }
    for (const auto& t : kDocTypes)
      docTypes_.push_back(Add("TB_PUBFA", {{"PUBFA001", t[0]}, {"PUBFA002", t[1]}, {"PUBFA003", "BIL"}}));
    for (const auto& s : kSubjects) subjects_.push_back(Add("TB_ACCSU", {{"ACCSU001", s[0]}, {"ACCSU002", s[1]}}));
    for (const Fee& f : kFees)
      fees_.push_back(Add("TB_PUBFE", {{"PUBFE001", f.code}, {"PUBFE002", f.name}, {"PUBFE003", f.type},
                                       {"PUBFE004", Id(subjects_[f.subject])}}));
  }

  void Merchants() {
    std::set<std::pair<std::string, std::string>> used;
    while (merchants_.size() < 60) {
      std::string trade = rng_.Pick(kTradeNames), line = rng_.Pick(kTrades);
      if (!used.insert({trade, line}).second) continue;
      std::string name = rng_.Chance(40) ? "广州市" : "";
      name += trade + line + rng_.Pick(kSuffixes);
      merchants_.push_back(Add("TB_PUBGO", {{"PUBGO001", "SH" + Digits(merchants_.size() + 1, 5)},
                                            {"PUBGO002", trade + line},
                                            {"PUBGO003", name},
                                            {"PUBGO004", PersonName()},
                                            {"PUBGO005", Mobile()}}));
    }
  }

  void Stalls() {
    for (int z = 0; z < 5; ++z)
      for (int f = 0; f < 3; ++f)
        for (int n = 1; n <= 10; ++n) {
          std::string number = Digits(n, 2);
          std::string code = std::string(1, kZones[z]) + std::to_string(f + 1) + "-" + number;
          int64_t area = rng_.Range(24, 120) * 50;  // hundredths of a square metre, in steps of 0.5
          Stall s;
          s.code = code;
          s.name = std::string(1, kZones[z]) + "区" + kFloors[f] + number + "号铺";
          s.org = z;
          s.area = area;
          s.id = Add("TB_PUBIG", {{"PUBIG001", std::string(1, kZones[z]) + "区"},
                                  {"PUBIG002", f + 1},
                                  {"PUBIG003", s.code},
                                  {"PUBIG004", s.name},
                                  {"PUBIG005", Money(area)},
                                  {"PUBIG006", Id(orgs_[kZoneOrg[z]])}});
          stalls_.push_back(s);
        }
  }

  void Contracts() {
    // Every merchant holds at least one stall; most other stalls are let too.
    std::vector<size_t> order(stalls_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    for (size_t i = order.size() - 1; i > 0; --i) std::swap(order[i], order[rng_.Range(0, static_cast<int>(i))]);
    int seq = 0;
    for (size_t k = 0; k < order.size(); ++k) {
      if (k >= merchants_.size() && !rng_.Chance(85)) continue;
      size_t merchant = k < merchants_.size() ? k : static_cast<size_t>(rng_.Range(0, static_cast<int>(merchants_.size()) - 1));
      const Stall& stall = stalls_[order[k]];
      int year = rng_.Range(2021, 2023);
      TDateTime start = EncodeDate(year, rng_.Range(1, 12), 1);
      TDateTime end = IncMonth(start, 36) - 1;
      int64_t rent = stall.area * rng_.Range(80, 200);  // yuan per square metre and month, in cents
      Contract c;
      c.merchant = merchant;
      c.stall = order[k];
      c.number = "HT" + std::to_string(year) + "-" + Digits(++seq, 4);
      c.id = Add("TB_CONBE", {{"CONBE001", Id(merchants_[merchant])},
                              {"CONBE002", Id(stall.id)},
                              {"CONBE003", c.number},
                              {"CONBE004", When(start)},
                              {"CONBE005", When(end)},
                              {"CONBE006", Money(rent)}});
      contracts_.push_back(c);
    }
  }

  void Receipts() {
    const TDateTime first = EncodeDate(2023, 1, 1);
    std::map<std::string, int> seq;
    receiptsOf_.resize(merchants_.size());
    for (size_t m = 0; m < merchants_.size(); ++m) {
      int count = rng_.Range(2, 4);
      for (int i = 0; i < count; ++i) {
        TDateTime day = first + rng_.Range(0, 540);
        std::string ym = YearMonth(day);
        int64_t id = Add("TB_ARCPA", {{"ARCPA001", "YS" + ym + Digits(++seq[ym], 4)},
                                      {"ARCPA002", Id(merchants_[m])},
                                      {"ARCPA003", When(day)},
                                      {"ARCPA004", Money(static_cast<int64_t>(rng_.Range(10, 200)) * 10000)}});
        receiptsOf_[m].push_back(id);
      }
    }
  }

  size_t StaffOf(int department) { return rng_.Pick(staffOf_[department]); }

  void Documents() {
    std::vector<TDateTime> days;
    const TDateTime first = EncodeDate(2023, 1, 3);
    for (int i = 0; i < kDocuments; ++i) days.push_back(first + rng_.Range(0, 542));
    std::sort(days.begin(), days.end());
    const TDateTime recent = EncodeDate(2024, 5, 1);
    std::map<std::string, int> docSeq, feeSeq, payoutSeq;
    int64_t feeDocId = 500000, payoutId = 800000;

    for (TDateTime day : days) {
      const Contract& contract = contracts_[static_cast<size_t>(rng_.Range(0, static_cast<int>(contracts_.size()) - 1))];
      const Stall& stall = stalls_[contract.stall];
      int type = rng_.Chance(60) ? 0 : rng_.Chance(60) ? 1 : 2;
      int dept = rng_.Chance(50) ? kLeasing : rng_.Chance(80) ? kOperations : kProperty;
      const StaffRow& sales = staff_[StaffOf(dept)];
      const StaffRow& entry = staff_[StaffOf(rng_.Chance(70) ? kFinance : kOperations)];
      TDateTime entered = day + TimeOfDay(9, 17);

      char status;
      int roll = rng_.Range(1, 100);
      if (day < recent) status = roll <= 75 ? 'Y' : roll <= 85 ? 'X' : roll <= 95 ? 'F' : 'N';
      else status = roll <= 50 ? 'N' : roll <= 70 ? 'F' : 'Y';
      const StaffRow* auditor = nullptr;
      TDateTime audited = 0;
      if (status != 'N') {
        auditor = &staff_[staffOf_[kFinance][static_cast<size_t>(rng_.Range(0, 1))]];
        int delay = rng_.Range(1, 5);
        audited = DateOf(entered) + delay + TimeOfDay(9, 17);
      }
      bool signedOff = status == 'Y' && rng_.Chance(25);
      std::string ym = YearMonth(day);
      std::string number = "FD" + ym + Digits(++docSeq[ym], 4);

      // The fees of the month before the document.
      int y, m, d;
      DecodeDate(IncMonth(day, -1), y, m, d);
      std::string month = std::to_string(y) + "年" + std::to_string(m) + "月";
      int roll2 = rng_.Range(1, 100);
      int lines = roll2 <= 25 ? 1 : roll2 <= 55 ? 2 : roll2 <= 80 ? 3 : roll2 <= 92 ? 4 : 5;
      int pool = type == 1 ? kUtilityFees : static_cast<int>(std::size(kFees));
      lines = std::min(lines, pool);
      std::vector<int> fees;
      while (static_cast<int>(fees.size()) < lines) {
        int f = rng_.Range(0, pool - 1);
        if (std::find(fees.begin(), fees.end(), f) == fees.end()) fees.push_back(f);
      }
      std::sort(fees.begin(), fees.end());
      std::string feeNames;
      for (int f : fees) feeNames += (feeNames.empty() ? "" : "、") + std::string(kFees[f].name);

      const StaffRow& modifier = auditor ? *auditor : entry;
      TDateTime modified = auditor ? audited : entered;
      NamedValues audit = {{"CREATE_USER", entry.staff->account},
                           {"USER_GROUP", kDepartments[entry.staff->department][0]},
                           {"CREATE_DATE", When(entered)},
                           {"MODIFIER", modifier.staff->account},
                           {"MODI_DATE", When(modified)},
                           {"FLAG", 0}};
      NamedValues header = {{"BILDA001", Id(docTypes_[type])},
                            {"BILDA002", number},
                            {"BILDA003", When(day)},
                            {"BILDA004", Id(companies_[kOrgs[kZoneOrg[stall.org]].company])},
                            {"BILDA005", Id(orgs_[kZoneOrg[stall.org]])},
                            {"BILDA006", Id(merchants_[contract.merchant])},
                            {"BILDA007", Id(stall.id)},
                            {"BILDA008", Id(contract.id)},
                            {"BILDA009", Id(departments_[dept])},
                            {"BILDA010", Id(sales.id)},
                            {"BILDA011", "代垫" + stall.name + month + feeNames},
                            {"BILDA012", type == 2 ? "2" : "1"},
                            {"BILDA013", rng_.Chance(30) ? "1" : "0"},
                            {"BILDA014", Id(entry.id)},
                            {"BILDA015", When(entered)},
                            {"BILDA016", auditor ? Id(auditor->id) : Variant::Null()},
                            {"BILDA017", auditor ? When(audited) : Variant::Null()},
                            {"BILDA018", std::string(1, status)},
                            {"BILDA019", signedOff ? "1" : "0"},
                            {"BILDA020", signedOff ? "QH" + ym + Digits(rng_.Range(1, 999), 3) : std::string()},
                            {"BILDA021", signedOff ? rng_.Pick(std::vector<std::string>{"1", "S", "R", "W"}) : "0"}};
      header.insert(header.end(), audit.begin(), audit.end());
      int64_t docId = Add("TB_BILDA", header);

      for (int f : fees) {
        const Fee& fee = kFees[f];
        int64_t cents = static_cast<int64_t>(rng_.Range(fee.minYuan, fee.maxYuan)) * 100;
        cents += rng_.Range(0, 99);
        NamedValues line = {{"BILDB001", Id(docId)},
                            {"BILDB002", Id(rng_.Pick(receiptsOf_[contract.merchant]))},
                            {"BILDB003", Id(fees_[f])},
                            {"BILDB004", fee.type},
                            {"BILDB005", Id(subjects_[fee.subject])},
                            {"BILDB006", Money(cents)},
                            {"BILDB008", stall.code + " " + month + fee.name},
                            {"BILDB009", Id(++feeDocId)},
                            {"BILDB010", "FY" + ym + Digits(++feeSeq[ym], 4)},
                            {"BILDB011", Id(++payoutId)},
                            {"BILDB012", "ZC" + ym + Digits(++payoutSeq[ym], 4)}};
        line.insert(line.end(), audit.begin(), audit.end());
        Add("TB_BILDB", line);
      }
    }
  }

  struct StaffRow {
    int64_t id;
    const Staff* staff;
  };
  struct Stall {
    int64_t id = 0;
    std::string code, name;
    int org = 0;
    int64_t area = 0;
  };
  struct Contract {
    int64_t id = 0;
    size_t merchant = 0, stall = 0;
    std::string number;
  };

  sqlite3* db_;
  StatementCache statements_{db_};
  Random rng_{kSeed};
  std::vector<int64_t> companies_, orgs_, departments_, docTypes_, subjects_, fees_, merchants_;
  std::vector<StaffRow> staff_;
  std::map<int, std::vector<size_t>> staffOf_;
  std::vector<Stall> stalls_;
  std::vector<Contract> contracts_;
  std::vector<std::vector<int64_t>> receiptsOf_;
};

}  // namespace

DbStatus FillDemoData(sqlite3* db) {
  try {
    Filler(db).Run();
    return DbStatus::Ok();
  } catch (const DemoFailure& f) {
    return f.status;
  }
}

}  // namespace hostdb::detail
