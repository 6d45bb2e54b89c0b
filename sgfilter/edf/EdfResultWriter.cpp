#include "edf/EdfResultWriter.h"

namespace sgf {

EdfResultWriter::EdfResultWriter(AtomicOutputFile& file, EdfPlusContents contents,
                                 std::vector<UnitsConversion> conversions)
    : writer_(file, std::move(contents)), conversions_(std::move(conversions)), units_(conversions_.size()) {}

void EdfResultWriter::writeRows(std::span<const double>, std::span<const std::span<const float>> columns) {
    std::vector<std::span<const double>> signals;
    for (std::size_t column = 0; column < conversions_.size(); ++column) {
        std::vector<double>& units = units_[column];
        units.resize(columns[column].size());
        for (std::size_t row = 0; row < units.size(); ++row) units[row] = conversions_[column].toUnits(columns[column][row]);
        signals.emplace_back(units);
    }
    writer_.write(signals);
}

}  // namespace sgf
