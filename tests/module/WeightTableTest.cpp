// The weight table: published values, the least-squares properties every column must have, the
// layout in the host's buffer, the order cap for the narrowest windows, and the fast build's
// bit-for-bit agreement with the element-by-element definition.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include "FakeHost.h"
#include "module/filter/WeightTable.h"
#include "module/host/HostServices.h"

namespace sg {
namespace {

struct Shape {
    int width;
    int order;
    int derivative;
};

class WeightTableTest : public ::testing::Test {
protected:
    FakeHost host;

    LocalDataType** SettingsFor(Shape shape) {
        LocalDataType** settings = host.Allocate<LocalDataType>();
        (*settings)->windowWidth = static_cast<int16_t>(shape.width);
        (*settings)->polynomialOrder = static_cast<int16_t>(shape.order);
        (*settings)->derivativeOrder = static_cast<int16_t>(shape.derivative);
        (*settings)->weights = nullptr;
        LockHandle(reinterpret_cast<Handle>(settings));  // as the block computation holds it
        return settings;
    }

    // The whole buffer, width x width values.
    std::vector<double> Build(Shape shape) {
        LocalDataType** settings = SettingsFor(shape);
        BuildWeightTable(settings);
        double** weights = (*settings)->weights;
        if (weights == nullptr) return {};
        return std::vector<double>(*weights, *weights + shape.width * shape.width);
    }
};

int HalfWidth(int width) { return (width - 1) / 2; }

double At(const std::vector<double>& table, int width, int i, int t) {
    const int m = HalfWidth(width);
    return table[(i + m) * width + (t + m)];
}

// Straight from the definition, one element at a time.
double DefinedWeight(int i, int t, int m, int n, int s) {
    double sum = 0.0;
    for (int k = 0; k <= n; ++k) {
        const double a = GeneralizedFactorial(2 * m, k);
        const double b = GeneralizedFactorial(2 * m + k + 1, k + 1);
        const double factor = (2 * k + 1) * (a / b);
        const auto gram = [&](int point, int derivative) {
            return GramPolynomial(static_cast<int16_t>(point), static_cast<int16_t>(m), static_cast<int16_t>(k),
                                  static_cast<int16_t>(derivative));
        };
        sum += gram(t, s) * (factor * gram(i, 0));
    }
    return sum;
}

uint64_t Bits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Weights are sums of terms of order 1, so their rounding is measured against 1.
constexpr double kFewUlps = 8 * DBL_EPSILON;

TEST_F(WeightTableTest, ColumnsMatchThePublishedFractions) {
    struct Column {
        Shape shape;
        int t;
        double denominator;
        std::vector<double> numerators;  // rows i = -m..m
    };
    const std::vector<Column> columns = {
        {{5, 2, 0}, 0, 35, {-3, 12, 17, 12, -3}},
        {{5, 2, 0}, -2, 35, {31, 9, -3, -5, 3}},
        {{5, 2, 0}, -1, 35, {9, 13, 12, 6, -5}},
        {{5, 2, 0}, 2, 35, {3, -5, -3, 9, 31}},
        {{5, 3, 0}, 0, 35, {-3, 12, 17, 12, -3}},
        {{5, 2, 1}, 0, 10, {-2, -1, 0, 1, 2}},
        {{5, 2, 1}, -2, 70, {-54, 13, 40, 27, -26}},
        {{7, 2, 0}, 0, 21, {-2, 3, 6, 7, 6, 3, -2}},
        {{7, 3, 1}, 0, 252, {22, -67, -58, 0, 58, 67, -22}},
    };
    for (const Column& column : columns) {
        const std::vector<double> table = Build(column.shape);
        const int m = HalfWidth(column.shape.width);
        for (int i = -m; i <= m; ++i) {
            EXPECT_NEAR(At(table, column.shape.width, i, column.t), column.numerators[i + m] / column.denominator,
                        kFewUlps)
                << "width " << column.shape.width << " order " << column.shape.order << " derivative "
                << column.shape.derivative << " i " << i << " t " << column.t;
        }
    }
    // Every column of these two.
    const std::vector<double> secondDerivative = Build({5, 2, 2});
    const std::vector<double> identity = Build({5, 4, 0});
    const double curvature[] = {2, -1, -2, -1, 2};
    for (int t = -2; t <= 2; ++t) {
        for (int i = -2; i <= 2; ++i) {
            EXPECT_NEAR(At(secondDerivative, 5, i, t), curvature[i + 2] / 7, kFewUlps) << i << ", " << t;
            EXPECT_NEAR(At(identity, 5, i, t), i == t ? 1.0 : 0.0, kFewUlps) << i << ", " << t;
        }
    }
}

// Every column fits the data points with a polynomial of the fitted order and evaluates it (or
// its derivative) at its own point, so it reproduces any polynomial up to that order: the
// constant 1 gives column sums of 1 for smoothing and 0 for derivatives.
TEST_F(WeightTableTest, EveryColumnReproducesPolynomialsUpToTheFittedOrder) {
    for (int width : {5, 6, 7, 9, 10, 15, 25, 41}) {
        for (int order = 2; order <= 6; ++order) {
            for (int derivative = 0; derivative <= 2; ++derivative) {
                const std::vector<double> table = Build({width, order, derivative});
                const int m = HalfWidth(width);
                const int fitted = FittedOrder(static_cast<int16_t>(order), static_cast<int16_t>(m));
                for (int degree = 0; degree <= fitted; ++degree) {
                    for (int t = -m; t <= m; ++t) {
                        double sum = 0.0, magnitude = 0.0;
                        for (int i = -m; i <= m; ++i) {
                            const double term = At(table, width, i, t) * std::pow(i, degree);
                            sum += term;
                            magnitude += std::fabs(term);
                        }
                        // d^s/dt^s of t^degree
                        double expected = degree >= derivative ? std::pow(t, degree - derivative) : 0.0;
                        for (int j = 0; j < derivative; ++j) expected *= degree - j;
                        EXPECT_NEAR(sum, expected, 1e-12 * std::max(magnitude, 1.0))
                            << "width " << width << " order " << order << " derivative " << derivative << " degree "
                            << degree << " t " << t;
                    }
                }
            }
        }
    }
}

TEST_F(WeightTableTest, SmoothingTableIsSymmetric) {
    for (int width : {5, 8, 11, 31}) {
        for (int order = 2; order <= 6; ++order) {
            const std::vector<double> table = Build({width, order, 0});
            const int m = HalfWidth(width);
            for (int i = -m; i <= m; ++i) {
                for (int t = -m; t < i; ++t) EXPECT_NEAR(At(table, width, i, t), At(table, width, t, i), kFewUlps);
            }
        }
    }
}

TEST_F(WeightTableTest, EvenWidthKeepsItsStrideAndLeavesTheLastRowAndColumnUnwritten) {
    const std::vector<double> even = Build({6, 2, 1});
    const std::vector<double> odd = Build({5, 2, 1});
    ASSERT_EQ(even.size(), 36u);
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 6; ++column) {
            const double value = even[row * 6 + column];
            if (row < 5 && column < 5) {
                EXPECT_EQ(Bits(value), Bits(odd[row * 5 + column])) << row << ", " << column;
            } else {
                uint8_t bytes[sizeof value];
                std::memcpy(bytes, &value, sizeof value);
                for (uint8_t byte : bytes) EXPECT_EQ(byte, FakeHost::kFreshByte) << row << ", " << column;
            }
        }
    }
}

// Five points determine at most a quartic: higher orders get the quartic's weights, not NaNs.
TEST_F(WeightTableTest, OrderAboveWhatTheWindowDeterminesIsCappedAtTwiceTheHalfWidth) {
    for (int derivative = 0; derivative <= 2; ++derivative) {
        const std::vector<double> quartic = Build({5, 4, derivative});
        for (Shape shape : {Shape{5, 5, derivative}, Shape{5, 6, derivative}, Shape{6, 6, derivative}}) {
            const std::vector<double> capped = Build(shape);
            for (int i = -2; i <= 2; ++i) {
                for (int t = -2; t <= 2; ++t) {
                    EXPECT_EQ(Bits(At(capped, shape.width, i, t)), Bits(At(quartic, 5, i, t)))
                        << "width " << shape.width << " order " << shape.order << " derivative " << derivative;
                }
            }
        }
    }
}

TEST_F(WeightTableTest, BuildAllocatesOnceAndBracketsTheFill) {
    LocalDataType** settings = SettingsFor({9, 3, 1});
    BuildWeightTable(settings);
    ASSERT_NE((*settings)->weights, nullptr);
    EXPECT_EQ(host.SizeOf(reinterpret_cast<Handle>((*settings)->weights)), 9 * 9 * 8);
    EXPECT_EQ(host.CallCount<service::NewBufferHandle>(), 1);
    EXPECT_EQ(host.CallCount<service::BeginLongOperation>(), 1);
    EXPECT_EQ(host.CallCount<service::EndLongOperation>(), 1);
}

TEST_F(WeightTableTest, FailedAllocationLeavesNoTableAndNoBracket) {
    LocalDataType** settings = SettingsFor({9, 3, 1});
    host.failAllocations = true;
    BuildWeightTable(settings);
    EXPECT_EQ((*settings)->weights, nullptr);
    EXPECT_EQ(host.CallCount<service::BeginLongOperation>(), 0);
    EXPECT_EQ(host.CallCount<service::EndLongOperation>(), 0);
}

TEST_F(WeightTableTest, TableIsFilledAtItsCurrentAddressWhenTheHostMovesIt) {
    const std::vector<double> still = Build({11, 4, 2});
    host.moveUnlockedBlocks = true;
    const std::vector<double> moved = Build({11, 4, 2});
    ASSERT_EQ(moved.size(), still.size());
    EXPECT_EQ(std::memcmp(moved.data(), still.data(), still.size() * sizeof(double)), 0);
}

TEST_F(WeightTableTest, FastBuildEqualsTheDefinitionBitForBit) {
    for (int width : {5, 6, 7, 8, 13, 21}) {
        for (int order = 2; order <= 6; ++order) {
            for (int derivative = 0; derivative <= 2; ++derivative) {
                const std::vector<double> table = Build({width, order, derivative});
                const int m = HalfWidth(width);
                const int n = FittedOrder(static_cast<int16_t>(order), static_cast<int16_t>(m));
                for (int i = -m; i <= m; ++i) {
                    for (int t = -m; t <= m; ++t) {
                        ASSERT_EQ(Bits(At(table, width, i, t)), Bits(DefinedWeight(i, t, m, n, derivative)))
                            << "width " << width << " order " << order << " derivative " << derivative << " i " << i
                            << " t " << t;
                    }
                }
            }
        }
    }
    // The widest, highest-order tables on a sample of rows and columns, ends and centre included.
    for (int derivative = 0; derivative <= 2; ++derivative) {
        const std::vector<double> table = Build({201, 6, derivative});
        for (int i : {-100, -99, -57, 0, 3, 99, 100}) {
            for (int t : {-100, -98, -1, 0, 42, 100}) {
                ASSERT_EQ(Bits(At(table, 201, i, t)), Bits(DefinedWeight(i, t, 100, 6, derivative)))
                    << "derivative " << derivative << " i " << i << " t " << t;
            }
        }
    }
}

}  // namespace
}  // namespace sg
