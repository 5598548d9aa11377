#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "numeric/numeric.h"
#include "numeric/tests/containers.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(RealVectorStorage, AllocationLimits) {
    const long base = MemLiveBlockCount();
    VectorOwner vrEmpty(RealVectorAlloc(0));
    ASSERT_NE(vrEmpty, nullptr);
    EXPECT_EQ(vrEmpty.get()[0], 0.0);
    EXPECT_EQ(RealVectorCheck(vrEmpty.get()), 1) << "length 0 exists but is bad";
    EXPECT_EQ(RealVectorAlloc(999999999), nullptr) << "block exceeds the wrapper limit";
    EXPECT_EQ(RealVectorAlloc(1000000000), nullptr);
    EXPECT_EQ(MemLiveBlockCount(), base + 1);

    VectorOwner v(RealVectorAlloc(3));
    EXPECT_EQ(Elements(v.get()), (std::vector<double>{0.0, 0.0, 0.0}));
    EXPECT_EQ(RealVectorCheck(v.get()), 0);
    EXPECT_EQ(RealVectorCheck(nullptr), 1);
}

TEST(RealVectorStorage, ResizeKeepsLeadingElements) {
    RealVector v = VectorFromList({1.0, 2.0, 3.0});
    EXPECT_EQ(RealVectorResize(v, 3), v) << "same length returns the vector itself";
    v = RealVectorResize(v, 5);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(Elements(v), (std::vector<double>{1.0, 2.0, 3.0, 0.0, 0.0}));
    v = RealVectorResize(v, 2);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(Elements(v), (std::vector<double>{1.0, 2.0}));

    const long base = MemLiveBlockCount();
    EXPECT_EQ(RealVectorResize(v, 600000000), nullptr);
    EXPECT_EQ(MemLiveBlockCount(), base - 1) << "a failed reallocation releases the block";
}

TEST(RealVectorStorage, FromArrayAndClone) {
    const double adValues[] = {4.0, 5.0};
    VectorOwner v(RealVectorFromArray(nullptr, adValues, 2));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(Elements(v.get()), (std::vector<double>{4.0, 5.0}));

    VectorOwner vrClone(RealVectorClone(nullptr, v.get()));
    ASSERT_NE(vrClone, nullptr);
    EXPECT_EQ(Elements(vrClone.get()), Elements(v.get()));
    VectorOwner vrLonger(VectorFromList({9.0, 9.0, 9.0, 9.0}));
    EXPECT_EQ(RealVectorCopy(vrLonger.get(), vrClone.get()), 1);
    EXPECT_EQ(Elements(vrClone.get()), (std::vector<double>{4.0, 5.0})) << "copy refused";
    vrClone.reset(RealVectorClone(vrClone.release(), vrLonger.get()));
    ASSERT_NE(vrClone, nullptr);
    EXPECT_EQ(Elements(vrClone.get()), Elements(vrLonger.get())) << "clone resizes";
}

struct RangeCase {
    const char *name;
    int iFirst;
    int iLast;
    int iIndex;
    double dMaxAbs;
    double dNorm;
};

TEST(RealVectorReductions, MaxAbsIndexAndNorm) {
    VectorOwner v(VectorFromList({0.0, -4.0, 3.0, 4.0, 0.0}));
    const RangeCase cases[] = {
        {"whole vector, tie gives lower index", 1, -1, 2, 4.0, std::sqrt(41.0)},
        {"sub-range", 3, 4, 4, 4.0, 5.0},
        {"all zero range", 5, 5, 0, 0.0, 0.0},
        {"first below 1", 0, 3, -1, -7.0, -1.0},
        {"last before first", 3, 2, -1, -7.0, -1.0},
        {"last beyond length", 1, 6, -1, -7.0, -1.0},
    };
    for (const RangeCase &c : cases) {
        double dMaxAbs = -7.0;
        EXPECT_EQ(RealVectorMaxAbsIndex(v.get(), c.iFirst, c.iLast, &dMaxAbs), c.iIndex) << c.name;
        EXPECT_EQ(dMaxAbs, c.dMaxAbs) << c.name;
        EXPECT_DOUBLE_EQ(RealVectorNorm(v.get(), c.iFirst, c.iLast), c.dNorm) << c.name;
    }
    EXPECT_EQ(RealVectorMaxAbsIndex(nullptr, 1, -1, nullptr), -1);
    EXPECT_EQ(RealVectorNorm(nullptr, 1, -1), -1.0);
}

struct CombineCase {
    const char *name;
    unsigned iOperation;
    std::vector<double> b;
    int iResult;
    std::vector<double> out;
};

TEST(RealVectorArithmetic, Combine) {
    const CombineCase cases[] = {
        {"add", 1, {2.0, 0.0, 1.0}, 0, {8.0, 3.0, 4.0}},
        {"subtract", 2, {2.0, 0.0, 1.0}, 0, {4.0, 3.0, 2.0}},
        {"multiply", 3, {2.0, 0.0, 1.0}, 0, {12.0, 0.0, 3.0}},
        {"divide stops at zero", 4, {2.0, 0.0, 1.0}, 3, {3.0, -1.0, -1.0}},
        {"divide stops at negative", 4, {-2.0, 1.0, 1.0}, 3, {-1.0, -1.0, -1.0}},
        {"divide stops at NaN", 4, {1.0, kNaN, 1.0}, 3, {6.0, -1.0, -1.0}},
        {"unknown operation", 5, {2.0, 0.0, 1.0}, 2, {-1.0, -1.0, -1.0}},
        {"shorter operand sets the length", 1, {1.0}, 0, {7.0, -1.0, -1.0}},
    };
    for (const CombineCase &c : cases) {
        VectorOwner a(VectorFromList({6.0, 3.0, 3.0}));
        VectorOwner b(RealVectorFromArray(nullptr, c.b.data(), static_cast<int>(c.b.size())));
        VectorOwner vrOut(VectorFromList({-1.0, -1.0, -1.0}));
        EXPECT_EQ(RealVectorCombine(a.get(), c.iOperation, b.get(), vrOut.get()), c.iResult)
            << c.name;
        EXPECT_EQ(Elements(vrOut.get()), c.out) << c.name;
    }
    VectorOwner a(VectorFromList({6.0, 3.0}));
    VectorOwner vrShort(VectorFromList({0.0}));
    EXPECT_EQ(RealVectorCombine(a.get(), 1, a.get(), vrShort.get()), 1) << "output too short";
    EXPECT_EQ(RealVectorCombine(a.get(), 1, a.get(), a.get()), 0);
    EXPECT_EQ(Elements(a.get()), (std::vector<double>{12.0, 6.0})) << "output may be an operand";
}

TEST(RealVectorArithmetic, ScaleAndFill) {
    VectorOwner v(VectorFromList({1.0, -2.0}));
    EXPECT_EQ(RealVectorScale(v.get(), -3.0), 0);
    EXPECT_EQ(Elements(v.get()), (std::vector<double>{-3.0, 6.0}));
    EXPECT_EQ(RealVectorFill(v.get(), 0.5), 0);
    EXPECT_EQ(Elements(v.get()), (std::vector<double>{0.5, 0.5}));
    VectorOwner vrEmpty(RealVectorAlloc(0));
    EXPECT_EQ(RealVectorFill(vrEmpty.get(), 1.0), 1);
    EXPECT_EQ(RealVectorFill(nullptr, 1.0), 1);
    EXPECT_EQ(RealVectorScale(nullptr, 1.0), 1);
}

TEST(IntVectorStorage, AllocResizeAndFailures) {
    EXPECT_EQ(IntVectorAlloc(-1), nullptr);
    IntVector v = IntVectorAlloc(2);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v[0], 2);
    v[1] = 11;
    v[2] = 12;
    v = IntVectorResize(v, 4);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::vector<int>(v, v + 5), (std::vector<int>{4, 11, 12, 0, 0}));
    EXPECT_EQ(IntVectorResize(v, 4), v) << "same length returns the vector itself";

    const long base = MemLiveBlockCount();
    EXPECT_EQ(IntVectorResize(v, 1 << 30), nullptr);
    EXPECT_EQ(MemLiveBlockCount(), base - 1) << "a failed reallocation releases the block";
    EXPECT_EQ(IntVectorFree(nullptr), nullptr);
}

// Every holder replaces its pointer by the result of a resize, so a null
// result must always mean that the old block is gone.
TEST(ContainerStorage, InvalidLengthReleasesTheBlock) {
    const struct {
        const char *name;
        bool (*resizeRefused)();
    } cases[] = {
        {"real vector too long",
         [] {
             return RealVectorResize(VectorFromList({1.0, 2.0}), 1000000000) == nullptr;
         }},
        {"real vector from a null array",
         [] { return RealVectorFromArray(VectorFromList({1.0}), nullptr, 2) == nullptr; }},
        {"real vector from a negative count",
         [] {
             const double dValue = 1.0;
             return RealVectorFromArray(VectorFromList({1.0}), &dValue, -1) == nullptr;
         }},
        {"matrix without rows",
         [] { return RealMatrixResize(RealMatrixAlloc(2, 3), 0, 3) == nullptr; }},
        {"matrix without columns",
         [] { return RealMatrixResize(RealMatrixAlloc(2, 3), 2, 0) == nullptr; }},
        {"matrix too tall",
         [] { return RealMatrixResize(RealMatrixAlloc(2, 3), 1000000000, 1) == nullptr; }},
        {"clone of no vector",
         [] { return RealVectorClone(VectorFromList({1.0}), nullptr) == nullptr; }},
        {"int vector negative", [] { return IntVectorResize(IntVectorAlloc(3), -1) == nullptr; }},
    };
    for (const auto &c : cases) {
        const long base = MemLiveBlockCount();
        EXPECT_TRUE(c.resizeRefused()) << c.name;
        EXPECT_EQ(MemLiveBlockCount(), base) << c.name << ": the old block is released";
    }
}

} // namespace
