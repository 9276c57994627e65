#include "exchange/sample_sets.h"

#include <cctype>

#include "shell/default_database.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "shell/sql_dialect.h"

namespace vorn::exchange {

namespace {

constexpr const char* kCountBefore = "Habia:";
constexpr const char* kCountBeforeXor = "En data1 Habia:";
constexpr const char* kCountAfterDelete = "Quedan:";
constexpr const char* kCountAtEnd = "Al final Quedan:";
constexpr const char* kTargetsBefore = "En data 3 Habia:";
constexpr const char* kTargetsAtEnd = "Al final quedan:";
constexpr const char* kFramesNow = "En data1 Hay:";
constexpr const char* kFramesAtEnd = "Al final quedan:";

constexpr const char* kDeleteFrames = "delete bpn.* from bpn";
constexpr const char* kRestoreFrames = "insert into bpn select bpnoriginal.* FROM bpnoriginal ";
constexpr const char* kDeleteWeights = "delete bpnpesos.* from bpnpesos";
constexpr const char* kRestoreWeights = "insert into bpnpesos select bpnpesosoriginal.* FROM bpnpesosoriginal ";
constexpr const char* kLoadXor = "insert into bpn select xor.* FROM xor ";
constexpr const char* kDeleteTargets = "delete bpntargets.* from bpntargets";

constexpr const char* kTableNamePrompt = "Nombre de la Tabla";
constexpr const char* kTableNameTitle = "xx";
constexpr const char* kTableNameDefault = "Ejemplo";
constexpr const char* kSaveTitle = "Guardar Tramas en Tabla";
constexpr const char* kBadTableName = "El nombre de tabla no es valido: ";
constexpr const char* kBadTableNameRule = "\rUse solo letras, digitos y _ (sin blancos), hasta 64 caracteres.";
constexpr const char* kOwnedTableName = "La tabla es del programa y no se puede reemplazar: ";
constexpr const char* kExistingTableName = "Ya existe una tabla con ese nombre: ";
constexpr const char* kChooseAnother = "\rElija otro nombre.";


struct TargetName {
    double valor;
    const char* nombre;
};
constexpr TargetName kExampleTargets[] = {{0.1, "BPN TARGET 1"}, {0.9, "BPN TARGET 2"}};
constexpr TargetName kXorTargets[] = {{0.1, "FALSO"}, {0.9, "VERDADERO"}};

// The lines of the report an operation shows at its end: each line is a
// label and a record count, lines separated by carriage returns.
class CountReport {
public:
    void add(const char* label, long count) {
        if (!text_.empty()) text_ += "\r";
        text_ += label + format_int(count);
    }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

long count_of(DataSource& source) {
    if (source.record_count() > 0) source.move_last();
    return source.record_count();
}

// Empties a table and fills it from its stored copy, counting as it goes.
void replace_rows(Database& db, DataSource& source, const char* delete_sql, const char* insert_sql,
                  const char* first_label, CountReport& report) {
    report.add(first_label, count_of(source));
    db.execute(delete_sql);
    source.refresh();
    report.add(kCountAfterDelete, source.record_count());
    db.execute(insert_sql);
    source.refresh();
    report.add(kCountAtEnd, count_of(source));
}

template <size_t N>
void replace_targets(Database& db, DataSource& targets, const TargetName (&names)[N], CountReport& report) {
    report.add(kTargetsBefore, count_of(targets));
    db.execute(kDeleteTargets);
    targets.refresh();
    report.add(kCountAfterDelete, targets.record_count());
    for (const TargetName& name : names) {
        targets.add_new();
        targets.set("valor", Value(name.valor));
        targets.set("nombre", Value(std::string(name.nombre)));
        targets.update();
    }
    targets.refresh();
    report.add(kTargetsAtEnd, count_of(targets));
}

bool has_only_name_characters(const std::string& name) {
    if (name.empty() || name.size() > 64) return false;
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    }
    return true;
}

// The tables the workbench itself creates and reads: every table of the
// compiled-in schema.
bool is_owned_table(const std::string& name) {
    std::string schema = lower(embedded_schema());
    std::string wanted = lower(name);
    const std::string create = "create table ";
    for (size_t at = schema.find(create); at != std::string::npos; at = schema.find(create, at + 1)) {
        size_t begin = at + create.size();
        size_t end = begin;
        while (end < schema.size() && (std::isalnum(static_cast<unsigned char>(schema[end])) || schema[end] == '_')) {
            ++end;
        }
        if (schema.compare(begin, end - begin, wanted) == 0 && end - begin == wanted.size()) return true;
    }
    // SQLite keeps these names for itself.
    return wanted.rfind("sqlite_", 0) == 0;
}

}  // namespace

SampleSets::SampleSets(MainWindow& window, Platform& platform, Database& db, std::function<void()> new_weights)
    : w_(window), platform_(platform), db_(db), new_weights_(std::move(new_weights)) {}

void SampleSets::connect() {
    w_.Command13.set_handler([this] { restaurar_ejemplo(); }, Access::Writes);
    w_.Command15.set_handler([this] { cargar_xor(); }, Access::Writes);
    w_.Command17.set_handler([this] { guardar_en_tabla(); }, Access::Writes);
}

void SampleSets::write_parameters(const ParameterSet& set) {
    w_.Text2.set_text(set.frame_size);
    w_.Text3.set_text(set.frame_count);
    w_.Text4.set_text(set.hidden_units);
    w_.Text5.set_text(set.frame_to_run);
    w_.Text6.set_text(format_general(set.acceptable_error));
    w_.Text7.set_text(set.pass_limit);
    w_.Text8.set_text(format_general(set.learning_rate));
}

void SampleSets::restaurar_ejemplo() {
    write_parameters({"9", "8", "3", "6", 0.025, "1000", 0.5});
    CountReport report;
    {
        Database::Savepoint all_or_nothing(db_);
        replace_rows(db_, w_.bpn(), kDeleteFrames, kRestoreFrames, kCountBefore, report);
        replace_rows(db_, w_.pesos(), kDeleteWeights, kRestoreWeights, kCountBefore, report);
        replace_targets(db_, w_.targets(), kExampleTargets, report);
        all_or_nothing.release();
    }
    platform_.message(report.text());
}

void SampleSets::cargar_xor() {
    write_parameters({"2", "4", "3", "2", 0.025, "4000", 0.5});
    CountReport report;
    {
        Database::Savepoint all_or_nothing(db_);
        replace_rows(db_, w_.bpn(), kDeleteFrames, kLoadXor, kCountBeforeXor, report);
        replace_targets(db_, w_.targets(), kXorTargets, report);
        all_or_nothing.release();
    }
    platform_.message(report.text());
    new_weights_();
}

std::string SampleSets::refuse_table_name(const std::string& name) {
    if (!has_only_name_characters(name)) return kBadTableName + name + kBadTableNameRule;
    if (is_owned_table(name)) return kOwnedTableName + name + kChooseAnother;
    if (db_.table_exists(name)) return kExistingTableName + name + kChooseAnother;
    return "";
}

void SampleSets::guardar_en_tabla() {
    write_parameters({"2", "4", "3", "2", 0.025, "1000", 0.5});
    CountReport report;
    report.add(kFramesNow, count_of(w_.bpn()));
    std::optional<std::string> answer = platform_.input(kTableNamePrompt, kTableNameTitle, kTableNameDefault);
    if (!answer) return;
    std::string name(trim(*answer));
    if (name.empty()) return;
    if (std::string refusal = refuse_table_name(name); !refusal.empty()) {
        platform_.message(refusal, kSaveTitle, Icon::Exclamation);
        return;
    }
    // The name has been checked to be a plain one; quoting it as well keeps
    // a name such as "select" or "2024" a name.
    db_.execute("SELECT bpn.* INTO " + quote_identifier(name) + " FROM bpn");
    w_.bpn().refresh();
    report.add(kFramesAtEnd, count_of(w_.bpn()));
    platform_.message(report.text());
}

}  // namespace vorn::exchange
