#pragma once

// The network editor's and the paste dialog's messages: language-table indexes, one list for
// both so that a number never means two things.
namespace NetworkMessages {

inline constexpr int SlaveId = 641;
inline constexpr int Register = 642;
inline constexpr int Points = 643;
inline constexpr int Length = 644;
inline constexpr int StorageNumber = 645;
inline constexpr int Tariff = 646;
inline constexpr int MaxVariables = 647;
inline constexpr int MaxNodes = 648;
inline constexpr int PrimaryAddress = 649;
inline constexpr int SecondaryAddress = 650;
// "ID Node is already used", twice: 651 for the node of the selected variable and for every
// node in the paste dialog, 652 for another node in the editor.
inline constexpr int IdUsed = 651;
inline constexpr int IdUsedByAnotherNode = 652;
inline constexpr int DeleteAll = 653;
inline constexpr int DeleteNode = 654;
inline constexpr int DeleteVariable = 655;
inline constexpr int ExitWithoutSaving = 656;
inline constexpr int SelectVariable = 657;
inline constexpr int SelectVariableFromNode = 658;
inline constexpr int SelectNode = 659;
inline constexpr int NodeBeyondList = 660;
inline constexpr int Overwrite = 661;
inline constexpr int CopyVariableBefore = 662;
inline constexpr int SelectNodeForVariable = 663;
inline constexpr int CopyNodeBefore = 664;
// A description holding a character that XML cannot store.
inline constexpr int NodeDescriptionChars = 930;
inline constexpr int VariableDescriptionChars = 931;

} // namespace NetworkMessages
