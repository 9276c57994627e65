// The dataset pipeline: the source sets, the nineteen operations and their
// lines, "last.csv", the near-constant check, "Merval" and the record draws.
#include <cmath>
#include <deque>
#include <functional>

#include "drivers/pipeline.h"
#include "experiments_fixture.h"

namespace vorn {
namespace {

using ::testing::DoubleNear;
using ::testing::ElementsAre;
using ::testing::Pointwise;
using testing::op_draw;
using testing::PipelineTest;

class FramesPipelineTest : public PipelineTest {
protected:
    // One step of the pipeline on these draws; it takes every one.
    std::string generate(std::deque<double> draws, int t1 = 1, int t2 = 2) {
        drawn.draws = std::move(draws);
        std::string description = bench->pipeline().generartrama(t1, t2);
        EXPECT_TRUE(drawn.draws.empty());
        return description;
    }
};

TEST_F(FramesPipelineTest, each_operation_appends_its_line_and_does_its_work) {
    add_merval(1, {10, 20, 30});
    add_merval(2, {5, 6, 7});
    struct Case {
        int op;
        std::string line;
        std::function<void()> check;
    };
    const std::vector<Case> cases = {
        {1, "MAV(1,2)", [&] { EXPECT_THAT(values(3), ElementsAre(0, 0, 1.5, 2.5)); EXPECT_EQ(target(3), 0.5); }},
        {2, "PART-(1,2)",
         [&] {
             EXPECT_THAT(drawn.texts(), ElementsAre("Estoy antes de particionartrama"));
             EXPECT_EQ(frames(), 3);
             EXPECT_THAT(values(1), ElementsAre(1, 2, 3, 4));
             EXPECT_THAT(values(2), ElementsAre(3));
             EXPECT_EQ(target(2), 4);
         }},
        {3, "PART+(1,2)",
         [&] {
             EXPECT_THAT(values(1), ElementsAre(1));
             EXPECT_EQ(target(1), 2);
             EXPECT_THAT(values(2), ElementsAre(3));
             EXPECT_THAT(values(3), ElementsAre(2, 4, 6, 8));
             EXPECT_THAT(values(4), ElementsAre(1, 2, 3, 4));
         }},
        {4, "/(1,2)", [&] { EXPECT_THAT(values(3), ElementsAre(0.5, 0.5, 0.5, 0.5)); EXPECT_EQ(target(3), 2); }},
        {5, "-(1,2)", [&] { EXPECT_THAT(values(3), ElementsAre(-1, -2, -3, -4)); EXPECT_EQ(target(3), 0.25); }},
        {6, "+(1,2)", [&] { EXPECT_THAT(values(3), ElementsAre(3, 6, 9, 12)); EXPECT_EQ(target(3), 0.75); }},
        {7, "*(1,2)", [&] { EXPECT_THAT(values(3), ElementsAre(2, 8, 18, 32)); EXPECT_EQ(name(3), "MULT(1,2)"); }},
        // The limit is the frame's mean, target included: (1+2+3+4+0.5)/5.
        {8, "0,1(1,2.1)", [&] { EXPECT_THAT(values(1), ElementsAre(0, 0, 1, 1)); EXPECT_EQ(target(1), 0); }},
        {9, "1,-1(1,2.1)", [&] { EXPECT_THAT(values(1), ElementsAre(-1, -1, 1, 1)); EXPECT_EQ(target(1), -1); }},
        {10, "0.1,0.9(1,2.1)", [&] { EXPECT_THAT(values(1), ElementsAre(0.1, 0.1, 0.9, 0.9)); }},
        {11, "%(1)",
         [&] {
             EXPECT_THAT(values(3), Pointwise(DoubleNear(1e-12), {1.0, 2.0, 1.5, 4.0 / 3}));
             EXPECT_EQ(target(3), 0.125);
         }},
        // Every element positive: a flat frame of 0.9, taken out silently.
        {12, "+-(1)", [&] { EXPECT_EQ(frames(), 1); EXPECT_THAT(values(1), ElementsAre(2, 4, 6, 8)); }},
        {13, "%Acum(1)", [&] { EXPECT_THAT(values(3), Pointwise(DoubleNear(1e-12), {0.0, 1.0, 1.5, 11.0 / 6})); }},
        {14, "Sigm(z)(1)",
         [&] {
             EXPECT_EQ(name(1), "Sigm(1)");
             for (double v : values(1)) EXPECT_TRUE(v > 0 && v < 1) << v;
         }},
        {15, "Sigm(1)", [&] { EXPECT_THAT(values(1).front(), DoubleNear(1 / (1 + std::exp(-1.0)), 1e-12)); }},
        {16, "Z(1)", [&] { EXPECT_EQ(name(1), "Z(1)"); }},
        {17, "Tanh(z)(1)", [&] { EXPECT_EQ(name(1), "TANH(1)"); }},
        {18, "Borrar(1)", [&] { EXPECT_EQ(frames(), 1); EXPECT_THAT(values(1), ElementsAre(2, 4, 6, 8)); }},
        {19, "", [&] { EXPECT_THAT(values(1), ElementsAre(10, 20, 30)); EXPECT_EQ(target(2), 7); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        db->execute("DELETE FROM BPN");
        add_frames({{1, 2, 3, 4}, {2, 4, 6, 8}}, {0.5, 0.25});
        drawn.messages.clear();
        w().Text1.set_text("inicio");
        const std::string expected = c.op == 19 ? "case 19 Merval" : "inicio\r" + c.line;
        EXPECT_EQ(generate({op_draw(c.op)}), expected);
        EXPECT_EQ(last_csv(), expected + "\r\n");
        c.check();
        EXPECT_EQ(count("valor IS NULL"), 0);
        // The step ends with the frames listed.
        EXPECT_EQ(consultas().List1.lines().size(), static_cast<size_t>(count()));
    }
}

TEST_F(FramesPipelineTest, the_sets_build_the_first_frame_from_their_market_table) {
    const std::vector<double> months{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    add_market("AccionesXmes", 1, "ALUA 2018", months);
    add_market("AccionesXmes", 2, "BMA 2018", {months.rbegin(), months.rend()});
    add_market("Mercap", 1, "ALUA 2019", months);
    add_merval(1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    add_merval(2, {5, 6, 7});
    refresh_all();

    // Set1: a draw near 1 reaches the last record.
    w().Combo1.set_text("Set1");
    EXPECT_EQ(generate({0.99, op_draw(16)}, 1, 1), "BMA 2018\rZ(1)");
    EXPECT_EQ(count("capa = 1"), 11);
    EXPECT_EQ(name(1), "Z(1)");

    // Set3: Mercap, its name shown in the status field.
    db->execute("DELETE FROM BPN");
    w().Combo1.set_text("Set3");
    EXPECT_EQ(generate({0.0, op_draw(1)}, 1, 1), "ALUA 2019 Set3\rMAV(1,1)");
    EXPECT_EQ(w().Text1.text(), "ALUA 2019 Set3");
    EXPECT_THAT(values(1), ElementsAre(0.01, 0.02, 0.03, 0.04, 0.05, 0.06, 0.07, 0.08, 0.09, 0.1, 0.11));
    EXPECT_EQ(target(1), 0.12);

    // Set2: frame 1 of the index cut into windows of t2 = floor(u * 10 / 2)
    // elements, frame 1 itself deleted.
    db->execute("DELETE FROM BPN");
    w().Combo1.set_text("Set2");
    EXPECT_EQ(generate({0.5, op_draw(16)}, 1, 1), "PART(% de Merval Set21,2)\rZ(1)");
    EXPECT_EQ(frames(), 5);
    EXPECT_EQ(target(5), 2);
    EXPECT_THAT(values(5), ElementsAre(1));
    for (int op : {8, 15}) {
        SCOPED_TRACE(op);
        db->execute("DELETE FROM BPN");
        drawn.messages.clear();
        // floor(0.1 * 10 / 2) = 0: a partition into windows of one is refused
        // without a message, the only frame is then deleted, and no null
        // limit is written.
        EXPECT_EQ(generate({0.1, op_draw(op)}, 1, 1),
                  op == 8 ? "PART(% de Merval Set21,0)\r0,1(1,)" : "PART(% de Merval Set21,0)\rSigm(1)");
        EXPECT_EQ(count(), 0);
        EXPECT_TRUE(drawn.messages.empty()) << drawn.texts().front();
    }
    // Set2 keeping a frame the index does not have.
    db->execute("DELETE FROM BPN");
    int t1 = 3, t2 = 1;
    EXPECT_EQ(bench->pipeline().generartrama(t1, t2), "");
    EXPECT_THAT(drawn.texts(), ElementsAre("data1 vacio"));
}

TEST_F(FramesPipelineTest, an_operand_the_buttons_would_refuse_is_skipped_without_a_word) {
    for (int op : {6, 1, 11}) {
        SCOPED_TRACE(op);
        db->execute("DELETE FROM BPN");
        add_frames({{1, 2, 3, 4}, {5, 6}}, {0.5, 0.25});
        drawn.messages.clear();
        w().Text1.set_text("");
        EXPECT_EQ(generate({op_draw(op)}, 2, 1).substr(0, 3), op == 6 ? "\r+(" : op == 1 ? "\rMA" : "\r%(");
        EXPECT_EQ(frames(), 2);
        EXPECT_TRUE(drawn.messages.empty()) << drawn.texts().front();
    }
    // The same operand from its button is refused with a message.
    drawn.inputs = {"2", "1"};
    click(w().Command22);
    EXPECT_EQ(drawn.texts(), std::vector<std::string>{"La trama 2 tiene menos de 4 elementos"});
}

TEST_F(FramesPipelineTest, a_flat_frame_is_deleted_after_asking_when_the_user_wants_to_be_asked) {
    // Op 15 on a frame of mean 25 changes nothing but still notes its line.
    for (std::string warn : {"SI", "NO"}) {
        for (Answer answer : {Answer::No, Answer::Yes}) {
            SCOPED_TRACE(warn + (answer == Answer::Yes ? " yes" : " no"));
            db->execute("DELETE FROM BPN");
            add_frames({{25, 25, 25}, {1, 2, 3}}, {25, 0.5});
            w().Text9.set_text(warn);
            drawn.questions.clear();
            drawn.answers = {answer};
            w().Text1.set_text("");
            EXPECT_EQ(generate({op_draw(15)}), "\rSigm(1)");
            const bool asked = warn == "SI";
            EXPECT_EQ(drawn.questions, asked ? std::vector<std::string>{"Borro la trama?\rSigma: 0\rAVG 25"}
                                             : std::vector<std::string>{});
            const bool deleted = !asked || answer == Answer::Yes;
            EXPECT_EQ(frames(), deleted ? 1 : 2);
            EXPECT_THAT(values(1), deleted ? ElementsAre(1, 2, 3) : ElementsAre(25, 25, 25));
            if (!asked) break;
        }
    }
}

TEST_F(FramesPipelineTest, merval_appends_the_index_after_the_frames_held) {
    add_merval(1, {10, 20});
    add_merval(2, {5, 6, 7});
    add_frames({{1, 2, 3}, {4, 5, 6}}, {0.5, 0.5});
    click(w().Command38);
    EXPECT_EQ(frames(), 4);
    EXPECT_THAT(values(1), ElementsAre(1, 2, 3));
    EXPECT_THAT(values(3), ElementsAre(10, 20));
    EXPECT_THAT(values(4), ElementsAre(5, 6));
    EXPECT_EQ(target(4), 7);
    EXPECT_EQ(w().Text3.text(), " 4");
    // The parameter fields of an experiment, as "Info" sets them.
    EXPECT_EQ(w().Text4.text(), "3");

    // An empty index leaves the user's last row as it was.
    db->execute("DELETE FROM merval");
    add_bpn(1, 1, 5, 42);
    refresh_all();
    click(w().Command38);
    EXPECT_THAT(values(5), ElementsAre(42));
    EXPECT_EQ(target(5), std::nullopt);
}

TEST_F(FramesPipelineTest, record_draws_reach_every_record_and_end_on_a_one_record_table) {
    const std::vector<double> months{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    add_market("AccionesXmes", 1, "ALUA 2018", months);
    refresh_all();
    // One record: any draw lands on it, never looping.
    drawn.draws = {0.999};
    click(w().Command47);
    EXPECT_EQ(name(1), "ALUA 2018");
    EXPECT_TRUE(drawn.messages.empty());

    add_market("AccionesXmes", 2, "BMA 2018", months);
    refresh_all();
    drawn.draws = {0.75};
    click(w().Command47);
    EXPECT_EQ(name(2), "BMA 2018");
    // A number outside the table is drawn again, 1 + floor(u * R).
    drawn.draws = {0.0};
    EXPECT_EQ(toolkit().inserttrama(frames::MarketTable::AccionesXmes, 7), "ALUA 2018");
    EXPECT_TRUE(drawn.messages.empty());
}

}  // namespace
}  // namespace vorn
