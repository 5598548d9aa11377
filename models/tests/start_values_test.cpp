// Start values found from awkward data: always finite with positive widths and
// rates, and independent of the order of the rows.
#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "models/model_family.h"

namespace {

struct StartCase {
    const char *pszName;
    std::vector<double> adTime, adData, adWeight;
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const StartCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

DataRows RowsMake(const StartCase &c) {
    DataRows rows;
    rows.adTime = c.adTime;
    rows.adData = c.adData;
    rows.adWeight = c.adWeight.empty() ? std::vector<double>(c.adTime.size(), 1.0) : c.adWeight;
    return rows;
}

std::vector<double> StartValues(const ModelFamily &family, const DataRows &rows, int iNoTerms) {
    std::vector<double> adShown(iNoTerms * family.iParamsPerTerm);
    family.StartValuesFind(rows, iNoTerms, adShown.data());
    return adShown;
}

class AwkwardData : public testing::TestWithParam<StartCase> {};

TEST_P(AwkwardData, GiveFiniteStartsWithPositiveWidthsAndRates) {
    const DataRows rows = RowsMake(GetParam());
    for (const ModelFamily *pFamily : {&gGaussFamily, &gExpFamily}) {
        for (int iNoTerms : {1, 2, 4, kFamilyMaxTerms}) {
            SCOPED_TRACE(std::string(pFamily->pszName) + ":" + std::to_string(iNoTerms));
            const std::vector<double> adShown = StartValues(*pFamily, rows, iNoTerms);
            for (size_t i = 0; i < adShown.size(); i++) {
                const int iParam = static_cast<int>(i) % pFamily->iParamsPerTerm;
                EXPECT_TRUE(std::isfinite(adShown[i])) << "value " << i;
                if (iParam == pFamily->iParamsPerTerm - 1) { // sigma or rate
                    EXPECT_GT(adShown[i], 0) << "value " << i;
                }
            }
        }
    }
}

std::vector<double> Ramp(int iNo, double dStep) {
    std::vector<double> adValues;
    for (int i = 0; i < iNo; i++) {
        adValues.push_back(i * dStep);
    }
    return adValues;
}

INSTANTIATE_TEST_SUITE_P(
    Data, AwkwardData,
    testing::Values(StartCase{"NoRows", {}, {}, {}}, StartCase{"OneRow", {3}, {5}, {}},
                    StartCase{"EqualTimes", {2, 2, 2, 2}, {1, 4, 2, 3}, {}},
                    StartCase{"ConstantData", Ramp(50, 1), std::vector<double>(50, 7), {}},
                    StartCase{"ZeroData", Ramp(50, 1), std::vector<double>(50, 0), {}},
                    StartCase{"NegativeData", Ramp(6, 1), {-1, -3, -6, -3, -1, -0.5}, {}},
                    StartCase{"RisingData", Ramp(6, 1), {1, 2, 4, 8, 16, 32}, {}},
                    StartCase{"HugeData", Ramp(5, 1), {1e300, -1e300, 1e300, 2e300, 1e300}, {}},
                    StartCase{"AllWeightsZero", Ramp(3, 1), {1, 2, 1}, {0, 0, 0}}),
    [](const testing::TestParamInfo<StartCase> &info) { return info.param.pszName; });

TEST(StartValuesRowOrder, ShuffledRowsGiveTheSameStarts) {
    DataRows sorted;
    for (int i = 0; i < 200; i++) {
        const double dTime = 0.1 * i;
        sorted.adTime.push_back(dTime);
        sorted.adData.push_back(40 * std::exp(-(dTime - 6) * (dTime - 6) / 2) +
                                30 * std::exp(-0.3 * dTime));
        sorted.adWeight.push_back(1.0);
    }
    DataRows shuffled = sorted;
    for (std::vector<double> *pColumn : {&shuffled.adTime, &shuffled.adData}) {
        std::reverse(pColumn->begin(), pColumn->end());
        std::rotate(pColumn->begin(), pColumn->begin() + 77, pColumn->end());
    }
    for (const ModelFamily *pFamily : {&gGaussFamily, &gExpFamily}) {
        EXPECT_EQ(StartValues(*pFamily, sorted, 2), StartValues(*pFamily, shuffled, 2))
            << pFamily->pszName;
    }
}

} // namespace
