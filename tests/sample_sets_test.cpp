// The sample sets and snapshots: "Ex1", "xor", "2Data" and "Rnd".
#include "frames_fixture.h"

namespace vorn {
namespace {

using ::testing::AllOf;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Ge;
using ::testing::Gt;
using ::testing::HasSubstr;
using ::testing::Lt;
using testing::FramesTest;

class SampleSetsTest : public FramesTest {
protected:
    long rows_in(const std::string& table) {
        return static_cast<long>(as_number(rows("SELECT count(*) FROM " + table).rows[0][0]));
    }
    void fill_stored_copies() {
        add_frames({{1, 2}}, {0.5});
        db->execute("INSERT INTO bpnoriginal VALUES (1,1,1,0.1,'o'), (1,2,1,0.2,'o'), (1,1,2,0.3,'o'), "
                    "(10,1,1,0.9,'o')");
        db->execute("INSERT INTO BPNPESOS VALUES (1,1,1,0.5), (2,1,1,0.5)");
        db->execute("INSERT INTO bpnpesosoriginal VALUES (1,1,1,0.1), (1,2,1,0.2), (1,1,2,0.3), (1,2,2,0.4), "
                    "(2,1,1,0.5)");
        db->execute("INSERT INTO BPNTargets VALUES (0.3, 'viejo')");
        refresh_all();
    }
};

TEST_F(SampleSetsTest, example_restores_frames_weights_and_targets) {
    fill_stored_copies();
    click(w().Command13);
    click(w().Command13);
    EXPECT_EQ(platform.texts(),
              (std::vector<std::string>{
                  "Habia:3\rQuedan:0\rAl final Quedan:4\rHabia:2\rQuedan:0\rAl final Quedan:5\r"
                  "En data 3 Habia:1\rQuedan:0\rAl final quedan:2",
                  "Habia:4\rQuedan:0\rAl final Quedan:4\rHabia:5\rQuedan:0\rAl final Quedan:5\r"
                  "En data 3 Habia:2\rQuedan:0\rAl final quedan:2"}));
    EXPECT_EQ(as_text(rows("SELECT nombre FROM BPNTargets ORDER BY valor").rows[1][0]), "BPN TARGET 2");
    EXPECT_EQ(w().Text2.text(), "9");
    EXPECT_EQ(w().Text6.text(), "0.025");
    EXPECT_EQ(w().Text7.text(), "1000");
}

TEST_F(SampleSetsTest, a_missing_stored_copy_leaves_every_table_as_it_was) {
    fill_stored_copies();
    db->execute("DROP TABLE bpnpesosoriginal");
    click(w().Command13);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_THAT(platform.messages[0].text, HasSubstr("bpnpesosoriginal"));
    EXPECT_THAT(values(1), ElementsAre(1, 2));
    EXPECT_EQ(rows_in("BPNPESOS"), 2);
    EXPECT_EQ(rows_in("BPNTargets"), 1);
    EXPECT_EQ(w().bpn().record_count(), 3);
}

TEST_F(SampleSetsTest, xor_loads_its_frames_and_fresh_weights) {
    db->execute("INSERT INTO xor VALUES (1,1,1,0,'x'), (1,2,1,0,'x'), (10,1,1,0.1,'x'), (1,1,2,1,'x'), "
                "(1,2,2,1,'x'), (10,1,2,0.1,'x')");
    refresh_all();
    click(w().Command15);
    EXPECT_EQ(platform.texts().front(),
              "En data1 Habia:0\rQuedan:0\rAl final Quedan:6\rEn data 3 Habia:0\rQuedan:0\rAl final quedan:2");
    EXPECT_EQ(as_text(rows("SELECT nombre FROM BPNTargets ORDER BY valor").rows[0][0]), "FALSO");
    EXPECT_EQ(w().Text7.text(), "4000");
    EXPECT_GT(rows_in("BPNPESOS"), 0);
}

TEST_F(SampleSetsTest, save_as_table_takes_only_a_new_plain_name) {
    add_frames({{1, 2}}, {0.5});
    answer({std::nullopt, "  Prueba  ", "Prueba", "a b", "x; drop table bpn", "bpn", "Sqlite_x", "select"});
    click(w().guardartramasentabla);
    EXPECT_FALSE(db->table_exists("Ejemplo"));
    EXPECT_EQ(w().Text7.text(), "1000");

    click(w().guardartramasentabla);
    EXPECT_EQ(rows_in("Prueba"), 3);
    EXPECT_EQ(platform.texts().back(), "En data1 Hay:3\rAl final quedan:3");

    for (int i = 0; i < 5; ++i) click(w().guardartramasentabla);
    std::vector<std::string> texts = platform.texts();
    const char* refusals[] = {"Ya existe una tabla con ese nombre: Prueba", "El nombre de tabla no es valido: a b",
                              "El nombre de tabla no es valido: x; drop table bpn", "La tabla es del programa",
                              "La tabla es del programa"};
    for (int i = 0; i < 5; ++i) EXPECT_THAT(texts.end()[i - 5], HasSubstr(refusals[i]));
    EXPECT_EQ(rows_in("BPN"), 3);

    // A keyword is still just a name.
    click(w().guardartramasentabla);
    EXPECT_EQ(rows_in("\"select\""), 3);
}

TEST_F(SampleSetsTest, random_frame_follows_the_last_frame) {
    click(w().Command32);
    EXPECT_EQ(platform.texts().back(), "No hay tramas en data1 para convertir");

    add_frames({{1, 2}, {1, 2}, {1, 2}, {1, 2}}, {});
    click(w().Command32);
    std::vector<double> random = values(5);
    EXPECT_EQ(random.size(), 2u);
    EXPECT_THAT(random, Each(AllOf(Gt(-0.9), Lt(0.9))));
    EXPECT_THAT(*target(5), AllOf(Ge(0.0), Lt(1.0)));
    EXPECT_EQ(w().Text3.text(), " 5");
}

}  // namespace
}  // namespace vorn
