object ProbeForm: TProbeForm
  Left = 130
  Top = 170
  BorderStyle = bsNone
  Caption = 'Probe'
  ClientHeight = 40
  ClientWidth = 160
  Color = clBlue
  Font.Height = -16
  Font.Name = 'ＭＳ Ｐゴシック'
  OldCreateOrder = False
  OnPaint = FormPaint
  PixelsPerInch = 96
  TextHeight = 16
  object Title: TLabel
    Left = 8
    Top = 8
    Caption = 'WWWW'
    Font.Color = clWhite
    Font.Height = -16
    Font.Name = 'ＭＳ Ｐゴシック'
    Font.Style = [fsBold]
  end
end
