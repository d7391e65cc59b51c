#include "molecule/count_line.h"

#include <gtest/gtest.h>

#include <climits>

TEST(CountLine, ReadsTheLeadingDecimalNumber)
{
    EXPECT_EQ(parseMoleculeCount("12"), 12);
    EXPECT_EQ(parseMoleculeCount("12 molecules"), 12);
    EXPECT_EQ(parseMoleculeCount(" \t\v\f\r12"), 12);
    EXPECT_EQ(parseMoleculeCount("+7"), 7);
    EXPECT_EQ(parseMoleculeCount("-5"), -5);
    EXPECT_EQ(parseMoleculeCount("007"), 7);
}

TEST(CountLine, TruncatesFractionsTowardZero)
{
    EXPECT_EQ(parseMoleculeCount("12.9"), 12);
    EXPECT_EQ(parseMoleculeCount("-12.9"), -12);
    EXPECT_EQ(parseMoleculeCount(".5"), 0);
    EXPECT_EQ(parseMoleculeCount("3."), 3);
    EXPECT_EQ(parseMoleculeCount("-0.99"), 0);
}

TEST(CountLine, ReadsExponentsOnlyWhenTheyHaveDigits)
{
    EXPECT_EQ(parseMoleculeCount("1e2"), 100);
    EXPECT_EQ(parseMoleculeCount("2.5E+1"), 25);
    EXPECT_EQ(parseMoleculeCount("1e-1"), 0);
    EXPECT_EQ(parseMoleculeCount("4e"), 4);
    EXPECT_EQ(parseMoleculeCount("4e+"), 4);
    EXPECT_EQ(parseMoleculeCount("4ex"), 4);
}

TEST(CountLine, GivesZeroWithoutANumber)
{
    EXPECT_EQ(parseMoleculeCount(""), 0);
    EXPECT_EQ(parseMoleculeCount("twelve"), 0);
    EXPECT_EQ(parseMoleculeCount("."), 0);
    EXPECT_EQ(parseMoleculeCount("-"), 0);
    EXPECT_EQ(parseMoleculeCount("+.e5"), 0);
}

TEST(CountLine, IgnoresHexInfinityAndNan)
{
    EXPECT_EQ(parseMoleculeCount("0x1A"), 0);
    EXPECT_EQ(parseMoleculeCount("0X1a"), 0);
    EXPECT_EQ(parseMoleculeCount("inf"), 0);
    EXPECT_EQ(parseMoleculeCount("-Infinity"), 0);
    EXPECT_EQ(parseMoleculeCount("nan"), 0);
    EXPECT_EQ(parseMoleculeCount("NAN(123)"), 0);
}

TEST(CountLine, GivesTheSmallestIntegerOutsideThe32BitRange)
{
    EXPECT_EQ(parseMoleculeCount("2147483647"), INT_MAX);
    EXPECT_EQ(parseMoleculeCount("2147483647.9"), INT_MAX);
    EXPECT_EQ(parseMoleculeCount("2147483648"), INT_MIN);
    EXPECT_EQ(parseMoleculeCount("-2147483648"), INT_MIN);
    EXPECT_EQ(parseMoleculeCount("-2147483648.9"), INT_MIN);
    EXPECT_EQ(parseMoleculeCount("-2147483649"), INT_MIN);
    EXPECT_EQ(parseMoleculeCount("1e12"), INT_MIN);
    EXPECT_EQ(parseMoleculeCount("1e999"), INT_MIN);
    EXPECT_EQ(parseMoleculeCount("-1e999"), INT_MIN);
    EXPECT_EQ(parseMoleculeCount("1e-999"), 0);
}
