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

// The names of the changes, as Undo and Redo show them.
inline constexpr int AddNodeName = 679;
inline constexpr int ModifyNodeName = 680;
inline constexpr int DeleteNodeName = 681;
inline constexpr int AddVariableName = 682;
inline constexpr int ModifyVariableName = 683;
inline constexpr int DeleteVariableName = 684;
inline constexpr int DeleteAllName = 685;
inline constexpr int PasteVariableName = 637;
inline constexpr int PasteNodeName = 639;
inline constexpr int ImportNetworkName = 604;
inline constexpr int ImportCsvName = 704;
inline constexpr int UndoEntry = 686; // "Undo: %1"
inline constexpr int RedoEntry = 687;

} // namespace NetworkMessages
