#include "core/sources/ContinuousRead.h"

#include "core/image/RecordCoding.h"
#include "core/lang/LanguageTable.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Sources;
using Outcome = SourceResult::Outcome;

namespace {

SourceResult read(QList<quint16> registers) {
    SourceResult r;
    r.outcome = Outcome::Read;
    r.registers = std::move(registers);
    return r;
}

SourceResult failed(Outcome outcome) {
    SourceResult r;
    r.outcome = outcome;
    return r;
}

TEST(ContinuousRead, ChangedValuesAndTheRateOfCounters) {
    ReadPlan plan;
    SourceVariable energy; // Wh × 10³, a counter
    energy.type = 2;
    energy.function = 3;
    energy.dimension = 2;
    energy.count = 2;
    energy.scale = 6;
    SourceVariable temperature = energy; // °C × 10⁻¹, not a counter
    temperature.dimension = 1;
    temperature.count = 1;
    temperature.typeOfData = 12;
    temperature.scale = 2;
    plan.variables = {energy, temperature, energy, energy};
    ReadRun before, after;
    before.results = {read({0, 100}), read({215}), read({0, 7}), read({0, 7})};
    after.results = {read({0, 130}), read({220}), read({0, 7}), failed(Outcome::Timeout)};
    const QList<Change> changes = changesBetween(plan, before, after, 1800);
    ASSERT_EQ(changes.size(), 4);
    EXPECT_TRUE(changes[0].changed);
    EXPECT_EQ(changes[0].perHour, std::optional<double>(60000.0)); // 30 kWh in half an hour
    EXPECT_EQ(changes[0].unit, QStringLiteral("Wh/h"));
    EXPECT_TRUE(changes[1].changed);
    EXPECT_FALSE(changes[1].perHour.has_value());
    EXPECT_FALSE(changes[2].changed);
    EXPECT_FALSE(changes[3].changed); // not read the second time: nothing to compare

    const LanguageTable texts;
    EXPECT_EQ(changeText(changes[0], texts), QStringLiteral("changed, +60000 Wh/h"));
    EXPECT_EQ(changeText(changes[1], texts), QStringLiteral("changed"));
}

TEST(ContinuousRead, TheLineIsLostWhenNothingAnswers) {
    ReadRun run;
    run.requestsSent = 2;
    run.results = {failed(Outcome::Timeout), failed(Outcome::CrcError)};
    EXPECT_TRUE(connectionLost(run));
    run.results[1] = failed(Outcome::Exception); // a slave is there
    EXPECT_FALSE(connectionLost(run));
    run.results[1] = read({1});
    EXPECT_FALSE(connectionLost(run));
    ReadRun closed;
    closed.openFailure.kind = OpenFailure::Kind::Connect;
    EXPECT_TRUE(connectionLost(closed));
    ReadRun nothingToRead; // no requests at all: nothing was lost
    EXPECT_FALSE(connectionLost(nothingToRead));
}

TEST(ContinuousRead, CountersAreTheQuantitiesThatOnlyGrow) {
    EXPECT_TRUE(isCounter(Mbus::unitOfCode(recordCodeOf(0, 0, 3))));   // Wh
    EXPECT_TRUE(isCounter(Mbus::unitOfCode(recordCodeOf(2, 0, 6))));   // m³
    EXPECT_TRUE(isCounter(Mbus::unitOfCode(recordCodeOf(5, 0, 2))));   // operating hours
    EXPECT_FALSE(isCounter(Mbus::unitOfCode(recordCodeOf(6, 0, 3))));  // W
    EXPECT_FALSE(isCounter(Mbus::unitOfCode(recordCodeOf(12, 0, 3)))); // °C
    EXPECT_FALSE(isCounter(Mbus::unitOfCode(0)));
}

} // namespace
